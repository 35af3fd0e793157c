# Two commands: `make run` and `make test`. Both install what is missing,
# configure and build into build/, then start the program or run the tests.

BUILD_DIR ?= build
PACKAGES  := g++ cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins \
             libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libasmjit-dev \
             fonts-dejavu-core fonts-noto-color-emoji ffmpeg

.PHONY: run test build deps configure clean

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
