BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# Our own builds treat warnings as errors; a plain cmake build (a packager's) does not.
DEV_FLAGS := -DCORVANE_WERROR=ON
# ccache, where installed, keeps recompiles cheap; paths under the tree are hashed relative to
# it, so that clones and worktrees share one cache.
CCACHE := $(shell command -v ccache)
ifneq ($(CCACHE),)
DEV_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
endif

.PHONY: all deps configure build test soak run clean package

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(DEV_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Every test but the soak: the unit tests first, then the end-to-end tests and the rest.
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) -L unit
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) -LE 'unit|soak'

# Only the soak: 200 Updates through the real window under CPU load, watched on a JACK monitor;
# it prints its counts of whole, reported and silent dumps.
soak: build
	cd $(BUILD_DIR) && ctest --output-on-failure -V -L soak

run: build
	$(BUILD_DIR)/src/ui/corvane

clean:
	rm -rf $(BUILD_DIR) $(PACKAGE_BUILD_DIR) $(SANITIZE_BUILD_DIR) $(FUZZ_BUILD_DIR)

# The Debian package (debian/), built by dpkg-buildpackage from a copy of the tree in
# PACKAGE_BUILD_DIR, which receives the .deb, its -dbgsym twin, .buildinfo and .changes: the build
# writes nothing into the tree itself nor beside it.
PACKAGE_BUILD_DIR ?= build-package
# debhelper gives the build a HOME of its own, so ccache is told where its cache is.
ifneq ($(CCACHE),)
PACKAGE_CCACHE := CMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) CCACHE_DIR=$(shell $(CCACHE) -k cache_dir) \
    CCACHE_BASEDIR=$(CURDIR)/$(PACKAGE_BUILD_DIR)/corvane
endif

package: deps
	@rm -rf $(PACKAGE_BUILD_DIR)
	@mkdir -p $(PACKAGE_BUILD_DIR)/corvane
	@tar -cf - --exclude-vcs --exclude='./build*' --exclude=./.cache \
	    --exclude='./$(PACKAGE_BUILD_DIR)' . | tar -xf - -C $(PACKAGE_BUILD_DIR)/corvane
	cd $(PACKAGE_BUILD_DIR)/corvane && $(PACKAGE_CCACHE) dpkg-buildpackage -us -uc -b -J$(JOBS)
	@ls -l $(PACKAGE_BUILD_DIR)/*.deb

# Everything built with AddressSanitizer and UndefinedBehaviorSanitizer, every test run.
SANITIZE_BUILD_DIR ?= build-sanitize
SANITIZE_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer

.PHONY: test-sanitize fuzz bench

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug $(DEV_FLAGS) \
	    -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)" >/dev/null
	@cmake --build $(SANITIZE_BUILD_DIR) -j $(JOBS)
	cd $(SANITIZE_BUILD_DIR) && \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) -LE soak

# libFuzzer over the input readers, FUZZ_SECONDS per target.
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_FLAGS := -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined

fuzz: deps
	@CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(DEV_FLAGS) \
	    -DCORVANE_BUILD_UI=OFF -DCORVANE_FUZZ=ON -DCMAKE_CXX_FLAGS="$(FUZZ_FLAGS)" >/dev/null
	@cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) \
	    --target fuzz_preset_reader fuzz_pattern_text fuzz_dump_decoder
	scripts/run-fuzz $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# The figures table: core micro-benchmarks, start-up against a bare Qt window, Update pacing.
bench: build
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target core_bench floor_window
	scripts/bench $(BUILD_DIR)
