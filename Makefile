# The two commands of the quick start, `make run` and `make test`, and a few more for developers.
# Each installs the Debian packages that are missing first, then configures and builds with CMake,
# all in one tree: `make run` builds only the program and its help file there, `make test` builds
# the rest (the tests and the sanitizer, fuzzing and Windows sub-builds) and runs every test.

BUILD_DIR ?= build
BENCH_DIR ?= build-bench
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all run test build program subbuilds configure deps bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

# The Linux preset of CMakePresets.json, in $(BUILD_DIR).
configure: deps
	@cmake --preset linux -B $(BUILD_DIR)

# Everything.
build: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS)

# The program and its help file only.
program: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS) --target kestrelmoor_program

# The sanitizer, fuzzing and Windows sub-builds only.
subbuilds: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS) --target kestrelmoor_subbuilds

# Without a display there is nothing to show the window on: that is said before anything is
# installed or built.
run:
	@bash scripts/run.sh --check-display
	@$(MAKE) --no-print-directory program
	@bash scripts/run.sh $(BUILD_DIR)

# Tests that share a Wine prefix or anything else hold a resource lock (docs/testing.md), so the
# rest run side by side.
test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --timeout 1200 --parallel $(JOBS)

# The performance suite in a build of its own, which builds only what it measures (no sanitizer or
# fuzzing sub-builds): the table of figures and PASS or FAIL per budget.
bench: deps
	@cmake --preset linux -B $(BENCH_DIR) -DKESTRELMOOR_SANITIZE=OFF \
	  -DKESTRELMOOR_FUZZ=OFF -DKESTRELMOOR_VALGRIND=OFF
	@cmake --build $(BENCH_DIR) --parallel $(JOBS) --target kestrelmoor_bench_programs
	@bash tests/bench/run_bench.sh $(BENCH_DIR)

# Every fuzz target for FUZZ_SECONDS each (make test runs them for 15 s), from its committed seeds
# and what earlier runs (these and the short ones of make test) found in the same work folders; a
# crashing input is kept there too.
FUZZ_SECONDS ?= 600
fuzz: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS) --target kestrelmoor_fuzz
	@bash tests/fuzz/run_fuzzers.sh $(BUILD_DIR)/fuzz/tests/fuzz $(BUILD_DIR)/tests/fuzz/runs $(FUZZ_SECONDS)

clean:
	@rm -rf $(BUILD_DIR)
