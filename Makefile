# The two commands: `make run` and `make test`. Both install any missing
# Debian packages first, then configure and build with CMake and Ninja.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
DESTDIR ?=
# The fuzz targets (fuzz/) build in a tree of their own with clang.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=

.PHONY: deps configure build run test bench install asan fuzz fuzz-build clean

deps:
	@scripts/install-deps.sh

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DARDANE_FUZZ_TREE=$(abspath $(FUZZ_BUILD))

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/ardane

# The tests include a short smoke run of every fuzz target, so the fuzz tree
# is built first.
test: build fuzz-build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	bench/run.sh $(BUILD)

# Installs the programs, desktop entry, icons, MIME type, metainfo and manual
# under PREFIX; DESTDIR stages the whole tree in another folder for packaging.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Tests under AddressSanitizer and UndefinedBehaviorSanitizer, in a build of its own.
asan: deps
	@[ -f build-asan/build.ninja ] || cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DARDANE_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

# libFuzzer targets for the readers; `make fuzz` runs each for FUZZ_SECONDS
# (FUZZ_TARGETS="bmp tiff" for some of them). Corpora grow in
# $(FUZZ_BUILD)/corpus, crashing inputs land in $(FUZZ_BUILD)/findings.
fuzz-build: deps
	@[ -f $(FUZZ_BUILD)/build.ninja ] || cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DARDANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) build-asan $(FUZZ_BUILD)
