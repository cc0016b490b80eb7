# Quick start: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test install-check sanitize tsan fuzz fuzz-smoke bench format-check clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DXPDB_WERROR=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	@scripts/run-examples.sh $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure

# Installs into a scratch prefix and builds a separate project against it.
install-check: build
	@scripts/install-check.sh $(BUILD)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	@$(MAKE) --no-print-directory test BUILD=$(BUILD)-asan CMAKE_FLAGS="-DXPDB_SANITIZE=ON -DXPDB_BENCH=OFF"

# The thread stress test and the host, package, read and surface tests under
# ThreadSanitizer, in a build of their own (it cannot share one with ASan).
TSAN_TESTS = threads host package read surface
tsan:
	@$(MAKE) --no-print-directory configure BUILD=$(BUILD)-tsan \
	  CMAKE_FLAGS="$(CMAKE_FLAGS) -DXPDB_TSAN=ON -DXPDB_BENCH=OFF"
	@cmake --build $(BUILD)-tsan --target $(addsuffix _tests,$(TSAN_TESTS))
	@ctest --test-dir $(BUILD)-tsan --output-on-failure -R '^($(subst $() ,|,$(TSAN_TESTS)))$$'

# Every fuzz harness for FUZZ_SECONDS each (clang, ASan+UBSan).
fuzz: deps
	@scripts/fuzz.sh $(FUZZ_SECONDS)

# The short run that CI does: about a minute for all harnesses.
fuzz-smoke: deps
	@scripts/fuzz.sh 8

# Fails on any C++ source or header that clang-format-14 would change.
format-check: deps
	@scripts/format-check.sh

# The side-by-side comparison (README, "Benchmark"); about a minute.
bench: build
	@$(BUILD)/bin/xpdb_compare

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz
