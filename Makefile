# Wraps CMake: every target first installs whatever Debian packages are missing.
BUILD_DIR := build
SANITIZE_DIR := build-sanitize
JOBS := $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: run test fuzz package bench build build-sanitize deps

# Without a display the program says so itself; xvfb-run make run gives it a virtual one.
run: build
	$(BUILD_DIR)/keyfold

# The whole suite, then again under AddressSanitizer and UndefinedBehaviorSanitizer with a
# bounded fuzz run, then the static checks.
test: build build-sanitize
	ctest --test-dir $(BUILD_DIR) --output-on-failure
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure
	scripts/static-checks.sh $(BUILD_DIR)

# Fuzzes the length box until stopped (Ctrl+C); new inputs are kept in the build tree.
fuzz: build-sanitize
	LSAN_OPTIONS=suppressions=tests/lsan.supp $(SANITIZE_DIR)/tests/fuzz_length -max_len=12000 -artifact_prefix=$(SANITIZE_DIR)/tests/ \
		$(SANITIZE_DIR)/tests/fuzz-found tests/fuzz-corpus

# Start-up time and memory against a one-label Qt window, and the cost of one click.
bench: build
	bench/run.sh $(BUILD_DIR)

# build/keyfold_<version>_<arch>.deb
package: build
	cmake --build $(BUILD_DIR) --target package

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

build-sanitize: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKEYFOLD_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) --parallel $(JOBS)

deps:
	@scripts/install-deps.sh
