// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>

#include <sys/resource.h>

// While it lives, files this process writes may grow to `bytes` at most, as
// on a disk that fills up (SIGXFSZ ignored, since a full disk raises none).
class FullDisk
{
  public:
    explicit FullDisk(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, handler_);
    }
    FullDisk(FullDisk const &) = delete;
    FullDisk &operator=(FullDisk const &) = delete;

  private:
    rlimit before_{};
    decltype(SIG_IGN) handler_;
};
