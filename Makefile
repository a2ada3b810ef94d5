# The front door: `make demo` and `make test` install what is missing, build and run.
#
#   make demo      deps + build + the demo game (scripts/demo.sh: Dou Dizhu against two bots at the local
#                  game server and the lobby stand-in; a window when a display is usable)
#   make deps      install the Debian packages that are missing
#   make build     configure once into $(BUILD_DIR), then build incrementally
#   make test      deps + build + every test (ctest)
#   make bench     deps + build + every benchmark (BENCH_ARGS=--json for JSON lines)
#   make soak      deps + build + whole demo games against a misbehaving server for SOAK_SECONDS
#                  (default 1800; scripts/soak.sh), with memory and sanitizer checks
#   make fuzz      clang build of the fuzz targets, each run for FUZZ_SECONDS
#   make fuzz-regress  the same build, each target run once over its seeds in fuzz/corpus (seconds;
#                  fails on a crash or a failed check; CI runs it)
#   make install   install into PREFIX (default /usr/local)
#   make format    clang-format every source file
#   make clean     remove the build folders
#
# SANITIZE="address;undefined" or SANITIZE=thread builds into its own folder (build-asan, build-tsan).
# CTEST_ARGS passes options to ctest, for example CTEST_ARGS='-L net' for one area.

BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?=
PREFIX ?= /usr/local
JOBS ?= 2
FUZZ_SECONDS ?= 30
BENCH_ARGS ?=
CTEST_ARGS ?=

ifeq ($(SANITIZE),)
BUILD_DIR ?= build
else ifeq ($(SANITIZE),thread)
BUILD_DIR ?= build-tsan
else
BUILD_DIR ?= build-asan
endif
FUZZ_DIR := build-fuzz

SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: all deps build test bench soak fuzz fuzz-build fuzz-regress install format clean demo demo-minimal

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTESSARO_SANITIZE="$(SANITIZE)"

build: $(BUILD_DIR)/CMakeCache.txt
	env -u MAKEFLAGS -u MAKELEVEL cmake --build $(BUILD_DIR) -j $(JOBS)

test: deps
	@$(MAKE) --no-print-directory build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) $(CTEST_ARGS)

bench: deps
	@$(MAKE) --no-print-directory build
	@set -e; for b in $(BUILD_DIR)/bin/bench-*; do echo "== $$b"; $$b $(BENCH_ARGS); done

fuzz-build:
	@scripts/install-deps.sh fuzz
	@test -f $(FUZZ_DIR)/CMakeCache.txt || cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSARO_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)

# Every seed once (-runs=0 runs the inputs given and nothing more); a target without seeds runs
# the empty input. Any crash or failed check fails the whole pass.
fuzz-regress: fuzz-build
	@set -e; for f in $(FUZZ_DIR)/bin/fuzz-*; do \
		name=$${f##*/fuzz-}; seeds=; test -d fuzz/corpus/$$name && seeds=fuzz/corpus/$$name; \
		mkdir -p $(FUZZ_DIR)/findings/$$name; log=$(FUZZ_DIR)/findings/$$name/regress.log; \
		echo "== $$f $${seeds:-(no seeds)}"; \
		$$f -runs=0 -artifact_prefix=$(FUZZ_DIR)/findings/$$name/ $$seeds >$$log 2>&1 || \
			{ tail -n 40 $$log; echo "fuzz-regress: $$name failed (log: $$log)"; exit 1; }; \
	done

fuzz: fuzz-build
	@set -e; for f in $(FUZZ_DIR)/bin/fuzz-*; do \
		name=$${f##*/fuzz-}; corpus=$(FUZZ_DIR)/corpus/$$name; mkdir -p $$corpus; \
		seeds=; test -d fuzz/corpus/$$name && seeds=fuzz/corpus/$$name; \
		echo "== $$f ($(FUZZ_SECONDS) s)"; \
		mkdir -p $(FUZZ_DIR)/findings/$$name; \
		$$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_DIR)/findings/$$name/ $$corpus $$seeds; \
	done

# The demo game against tessaro-devserver, started by tessaro-lobby; see scripts/demo.sh.
# PLAYERS=3 seats three real clients at the table.
PLAYERS ?= 1
demo: deps
	@$(MAKE) --no-print-directory build
	@BUILD_DIR=$(BUILD_DIR) PLAYERS=$(PLAYERS) scripts/demo.sh

# The soak: four demo clients against two servers with --chaos; see scripts/soak.sh. Not part of
# `make test` (its CTest test `soak` is the 2-minute form).
SOAK_SECONDS ?= 1800
soak: deps
	@$(MAKE) --no-print-directory build
	@BUILD_DIR=$(BUILD_DIR) SOAK_SECONDS=$(SOAK_SECONDS) scripts/soak.sh

# The minimal game alone at a table of placeholder rounds; see scripts/demo-minimal.sh.
demo-minimal: deps
	@$(MAKE) --no-print-directory build
	@BUILD_DIR=$(BUILD_DIR) scripts/demo-minimal.sh

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

format:
	clang-format -i $(SOURCES)

clean:
	rm -rf build build-asan build-tsan $(FUZZ_DIR)
