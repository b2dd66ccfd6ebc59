# Wraps CMake: every target first installs the Debian packages its job needs that are missing
# (scripts/install-deps.sh), then builds what the job needs.
BUILD_DIR := build
SANITIZE_DIR := build-sanitize
WINDOWS_DIR := build-windows
WINDOWS_TARGETS := all
JOBS := $(shell nproc)
VERSION := $(shell sed -n 's/^project.keyfold VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
SIGNATURES_DIR := packaging/windows/signatures/$(VERSION)
# The Windows build, less any signing key in the environment (sign-windows passes it on).
UNSIGNED := env -u KEYFOLD_SIGN_PKCS12 -u KEYFOLD_SIGN_PKCS11_MODULE
MAKEFLAGS += --no-print-directory

.PHONY: run test fuzz package bench build build-sanitize windows sign-windows release \
	verify-download configure

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

# build-windows/Keyfold.exe, the portable Keyfold-<version>-win64.zip, the installer
# Keyfold-<version>-win64-setup.exe and the Windows Installer package Keyfold-<version>-win64.msi,
# cross-built with MinGW against a Qt for Windows that is built once per machine (15 to 30 minutes
# on 2 cores the first time). A build folder that found another Qt for Windows (built with other
# settings) is configured afresh, as CMake keeps what it found. A signing key in the environment is
# not passed on: only sign-windows signs. Where this version's signatures are committed, the build
# attaches them, and first says which of the Debian packages that made them differ here.
windows:
	@scripts/install-deps.sh windows
	@scripts/windows-release-record.sh check $(SIGNATURES_DIR)
	toolkit=$$(scripts/windows-toolkit.sh) && \
	fresh=$$(grep -qsx "Qt6_DIR:PATH=$$toolkit/lib/cmake/Qt6" $(WINDOWS_DIR)/CMakeCache.txt || \
		echo --fresh) && \
	CMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake cmake $$fresh -S . -B $(WINDOWS_DIR) \
		-DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=$$toolkit \
		-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=$$(qtpaths6 --query QT_HOST_LIBS)/cmake
	$(UNSIGNED) cmake --build $(WINDOWS_DIR) --parallel $(JOBS) --target $(WINDOWS_TARGETS)

# The signed Windows release: every program file and package signed with the key that the
# environment names (scripts/authenticode.sh, docs/windows.md), its detached signatures and the
# record of what made them (scripts/windows-release-record.sh) put in
# packaging/windows/signatures/VERSION/, to be committed alone after the release's commit. Never
# over signatures committed for this version, which have been published.
sign-windows:
	$(call refuse_unless_committed,':!packaging/windows/signatures')
	@[ -n "$$KEYFOLD_SIGN_PKCS12$$KEYFOLD_SIGN_PKCS11_MODULE" ] || { echo "sign-windows: no key:" \
		"set KEYFOLD_SIGN_PKCS12 or KEYFOLD_SIGN_PKCS11_MODULE (docs/windows.md)" >&2; exit 2; }
	@[ -z "$$(git ls-files $(SIGNATURES_DIR) 2>/dev/null)" ] || { echo "sign-windows: version" \
		"$(VERSION) is signed already ($(SIGNATURES_DIR) is committed): raise the version" >&2; \
		exit 2; }
	rm -rf $(SIGNATURES_DIR) $(WINDOWS_DIR)/Keyfold-$(VERSION)-win64.zip \
		$(WINDOWS_DIR)/Keyfold-$(VERSION)-win64-setup.exe $(WINDOWS_DIR)/Keyfold-$(VERSION)-win64.msi
	$(MAKE) windows UNSIGNED=
	scripts/windows-release-record.sh write $(SIGNATURES_DIR) $$(cat $(WINDOWS_DIR)/source-date-epoch)

# build/release/VERSION/: every download of this commit, for every platform (the source tarball,
# the .deb, the Windows zip, setup program and MSI, signed where this version's signatures are
# committed), a software bill of materials for each built one, SHA256SUMS over them all, signed
# with the OpenPGP key that KEYFOLD_RELEASE_KEY names (its fingerprint), winget's manifests where
# KEYFOLD_RELEASE_URL gives the downloads' address, and a README naming the key (docs/releasing.md).
release:
	$(call refuse_unless_committed)
	@scripts/install-deps.sh release
	$(MAKE) package
	$(MAKE) windows
	scripts/release.sh $(VERSION) $(BUILD_DIR) $(WINDOWS_DIR) $(BUILD_DIR)/release/$(VERSION)

# Refuses an empty version, and a tree with changes that are not committed (but in the paths the
# argument leaves out): what is released or signed is a commit as it is.
define refuse_unless_committed
@[ -n "$(VERSION)" ] || { echo "$@: no version in CMakeLists.txt" >&2; exit 2; }
@[ -z "$$(git status --porcelain -- . $(1) 2>/dev/null)" ] || { echo "$@: the tree has changes" \
	"that are not committed: release the commit as it is" >&2; exit 2; }
endef

# Checks downloaded release files against SHA256SUMS, its signature against the key you trust, and
# each against a build of this checkout (docs/verifying.md):
# make verify-download KEY=FINGERPRINT FILES="SHA256SUMS SHA256SUMS.asc keyfold_1.0.2_amd64.deb ..."
verify-download:
	@[ -n "$(FILES)" ] || { echo "usage: make verify-download FILES=\"DOWNLOAD...\" [KEY=FINGERPRINT]" \
		"(the downloads, and SHA256SUMS and SHA256SUMS.asc with the key you trust)" >&2; exit 2; }
	@scripts/install-deps.sh verify
	KEY="$(KEY)" scripts/verify-download.sh $(FILES)
