// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/stack_order.h"

#include "expr/functions.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace
{

struct Node {
    QChar token;
    int left = -1; // the only operand of a function
    int right = -1;
    int need = 1;
};

bool is_binary(QChar c)
{
    return c == u'*' || c == u'+' || c == u'-' || c == u'/' || c == u'^';
}

bool is_commutative(QChar c)
{
    return c == u'*' || c == u'+';
}

class Tree
{
  public:
    // Children precede their parents, so needs are final when a node is made.
    std::optional<int> parse(const QString &expr)
    {
        std::vector<int> stack;
        for (QChar c : expr) {
            Node n{c};
            if (is_binary(c)) {
                if (stack.size() < 2)
                    return std::nullopt;
                n.right = stack.back();
                stack.pop_back();
                n.left = stack.back();
                stack.pop_back();
                order(n);
            } else if (function_of_token(c.unicode())) {
                if (stack.empty())
                    return std::nullopt;
                n.left = stack.back();
                stack.pop_back();
                n.need = nodes[n.left].need;
            }
            nodes.push_back(n);
            stack.push_back(static_cast<int>(nodes.size()) - 1);
        }
        if (stack.size() != 1)
            return std::nullopt;
        return stack.back();
    }

    void write(int i, QString &out) const
    {
        const Node &n = nodes[i];
        if (n.left >= 0)
            write(n.left, out);
        if (n.right >= 0)
            write(n.right, out);
        out += n.token;
    }

  private:
    void order(Node &n) const
    {
        int first = nodes[n.left].need;
        int second = nodes[n.right].need;
        if (is_commutative(n.token) && second > first) {
            std::swap(n.left, n.right);
            std::swap(first, second);
        }
        n.need = std::max(first, second + 1);
    }

    std::vector<Node> nodes;
};

} // namespace

QString shallowest_order(const QString &expr)
{
    Tree tree;
    std::optional<int> root = tree.parse(expr);
    if (!root)
        return expr;
    QString out;
    out.reserve(expr.size());
    tree.write(*root, out);
    return out;
}
