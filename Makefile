# Wraps CMake: every target first installs whatever Debian packages are missing.
BUILD_DIR := build
JOBS := $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: run test build deps

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		echo "keyfold: no display to open the window on (DISPLAY is not set); try: xvfb-run make run" >&2; \
		exit 1; \
	fi
	$(BUILD_DIR)/keyfold

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

deps:
	@scripts/install-deps.sh
