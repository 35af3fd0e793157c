# SPDX-License-Identifier: GPL-3.0-or-later
# Two commands: `make run` and `make test`. Both install what is missing,
# configure and build into build/, then start the program or run the tests.
# `make install PREFIX=/opt/tenebrion` installs both programs with their menu
# entry, icons and manual pages (PREFIX defaults to /usr/local); `make
# package` builds a Debian package in build/ and checks it with lintian.

BUILD_DIR ?= build
PREFIX    ?= /usr/local
# ffmpeg's readers check the written videos; the desktop's validators and man
# check the installed files; dpkg-dev's dpkg-shlibdeps finds the package's
# dependencies.
PACKAGES  := g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins \
             libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libasmjit-dev libsleef-dev \
             libavformat-dev libavcodec-dev libswscale-dev libavutil-dev \
             fonts-dejavu-core fonts-noto-color-emoji ffmpeg \
             desktop-file-utils appstream man-db dpkg-dev
PACKAGE_TOOLS := lintian

.PHONY: run test build deps configure clean install package

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty)."; \
	  echo "Start Tenebrion on a virtual display instead:"; \
	  echo "    xvfb-run -a $(BUILD_DIR)/tenebrion"; \
	  echo "(xvfb-run is in the Debian package 'xvfb')."; \
	  exit 1; \
	fi
	$(BUILD_DIR)/tenebrion

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

build: configure
	cmake --build $(BUILD_DIR)

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release; \
	fi

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGE_TOOLS)"
	cd $(BUILD_DIR) && cpack -G DEB
	lintian $(BUILD_DIR)/tenebrion_*.deb

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:$$missing"; \
	  if [ "$$(id -u)" = 0 ]; then SUDO=""; \
	  elif command -v sudo >/dev/null 2>&1; then SUDO="sudo"; \
	  else echo "Missing packages:$$missing"; \
	       echo "Run as root or install sudo, or install them by hand: apt-get install$$missing"; exit 1; fi; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing || \
	  { echo "Could not install:$$missing"; exit 1; }; \
	fi

clean:
	rm -rf $(BUILD_DIR)
