# Quick start: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test install-check sanitize fuzz fuzz-smoke bench clean

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

# Every fuzz harness for FUZZ_SECONDS each (clang, ASan+UBSan).
fuzz: deps
	@scripts/fuzz.sh $(FUZZ_SECONDS)

# The short run that CI does: about a minute for all harnesses.
fuzz-smoke: deps
	@scripts/fuzz.sh 8

# The side-by-side comparison (README, "Benchmark"); about a minute.
bench: build
	@$(BUILD)/bin/xpdb_compare

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz
