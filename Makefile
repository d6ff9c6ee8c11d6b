# Thin wrappers around CMake presets; the presets hold the build settings.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 300
FUZZ_SMOKE_SECONDS ?= 60

.PHONY: all release dev test deps demo clean fuzz bench

all: release

deps:
	@scripts/deps.sh

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

test: dev
	ctest --preset dev -j $(JOBS)
	scripts/fuzz.sh $(FUZZ_SMOKE_SECONDS)

fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)

# Benchmarks (not part of test): engine against a hand-written floor, Lua and node.
BENCH_ARGS ?= --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
bench:
	@scripts/deps.sh bench
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	build/bench/bin/trelmix_bench $(BENCH_ARGS)

clean:
	rm -rf build
