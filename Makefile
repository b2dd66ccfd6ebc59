# Wraps CMake: every target first installs the Debian packages its job needs that are missing
# (scripts/install-deps.sh), then builds what the job needs.
BUILD_DIR := build
SANITIZE_DIR := build-sanitize
WINDOWS_DIR := build-windows
WINDOWS_TARGETS := all
JOBS := $(shell nproc)
VERSION := $(shell sed -n 's/^project.keyfold VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
SIGNATURES_DIR := packaging/windows/signatures/$(VERSION)
MAKEFLAGS += --no-print-directory

.PHONY: run test fuzz package bench build build-sanitize windows sign-windows verify-download \
	configure

# The program alone. Without a display it says so itself; xvfb-run make run gives it a virtual one.
run:
	@scripts/install-deps.sh run
	$(MAKE) configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS) --target keyfold
	$(BUILD_DIR)/keyfold

# Linux first, so that its results come within minutes: the suite, then again under
# AddressSanitizer and UndefinedBehaviorSanitizer with a bounded fuzz run, and the static checks;
# then the Windows program's suite under Wine, after its Qt has been built (the first time only).
test:
	@scripts/install-deps.sh test
	$(MAKE) build
	ctest --test-dir $(BUILD_DIR) --output-on-failure
	$(MAKE) build-sanitize
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure
	scripts/static-checks.sh $(BUILD_DIR)
	$(MAKE) windows
	ctest --test-dir $(WINDOWS_DIR) --output-on-failure

# Fuzzes the length box until stopped (Ctrl+C); new inputs are kept in the build tree.
fuzz:
	@scripts/install-deps.sh test
	$(MAKE) build-sanitize
	LSAN_OPTIONS=suppressions=tests/lsan.supp $(SANITIZE_DIR)/tests/fuzz_length -max_len=12000 -artifact_prefix=$(SANITIZE_DIR)/tests/ \
		$(SANITIZE_DIR)/tests/fuzz-found tests/fuzz-corpus

# Start-up time and memory against a one-label Qt window, and the cost of one click.
bench:
	@scripts/install-deps.sh bench
	$(MAKE) build
	bench/run.sh $(BUILD_DIR)

# build/keyfold_<version>_<arch>.deb
package:
	@scripts/install-deps.sh package
	$(MAKE) configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS) --target keyfold install_files
	cmake --build $(BUILD_DIR) --target package

# The program, the tests and the benchmark (the packages are installed by the targets above).
build: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

configure:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build-sanitize:
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKEYFOLD_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) --parallel $(JOBS)

# build-windows/Keyfold.exe, the portable Keyfold-<version>-win64.zip and the installer
# Keyfold-<version>-win64-setup.exe, cross-built with MinGW against a Qt for Windows that is built
# once per machine (about 15 minutes on 2 cores the first time). A build folder that found another
# Qt for Windows (built with other settings) is configured afresh, as CMake keeps what it found.
windows:
	@scripts/install-deps.sh windows
	toolkit=$$(scripts/windows-toolkit.sh) && \
	fresh=$$(grep -qsx "Qt6_DIR:PATH=$$toolkit/lib/cmake/Qt6" $(WINDOWS_DIR)/CMakeCache.txt || \
		echo --fresh) && \
	CMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake cmake $$fresh -S . -B $(WINDOWS_DIR) \
		-DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=$$toolkit \
		-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=$$(qtpaths6 --query QT_HOST_LIBS)/cmake
	cmake --build $(WINDOWS_DIR) --parallel $(JOBS) --target $(WINDOWS_TARGETS)

# The signed Windows release: every program file signed with the key that the environment names
# (scripts/authenticode.sh, docs/windows.md), its detached signatures made anew in
# packaging/windows/signatures/VERSION/, to be committed with the release.
sign-windows:
	@[ -n "$$KEYFOLD_SIGN_PKCS12$$KEYFOLD_SIGN_PKCS11_MODULE" ] || { echo "sign-windows: no key:" \
		"set KEYFOLD_SIGN_PKCS12 or KEYFOLD_SIGN_PKCS11_MODULE (docs/windows.md)" >&2; exit 2; }
	rm -rf $(SIGNATURES_DIR) $(WINDOWS_DIR)/Keyfold-$(VERSION)-win64.zip \
		$(WINDOWS_DIR)/Keyfold-$(VERSION)-win64-setup.exe
	$(MAKE) windows

# Checks downloaded Windows release files against a build of this checkout:
# make verify-download FILES="Keyfold-1.0.2-win64.zip Keyfold-1.0.2-win64-setup.exe"
verify-download: windows
	scripts/compare-windows-release.sh $(WINDOWS_DIR) $(FILES)
