# Thin wrappers around CMake presets; the presets hold the build settings.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 6

.PHONY: all release dev test deps demo clean fuzz mutants windows windows-x86 x86 web test-native test-windows test-x86 bench bench-web dist test-dist bench-learn format-check

all: release

deps:
	@scripts/deps.sh

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

# Every test: the tree formatted as .clang-format says, the native build with sanitizers (with the shipped 32-bit DLL
# run in the emulated host, and the playground), the Windows builds (the x64
# tests under Wine, the binary checks of the shipped 32-bit DLL), the 32-bit
# Linux build and the release archives.
test: format-check test-native test-windows test-x86 test-dist

# The native tests run the shipped DLL in trelmix-x86 and the playground in
# node and Chromium: build them first.
test-native: dev windows-x86 web
	TRELMIX_REQUIRE_ENGINES="web x86" ctest --preset dev -j $(JOBS)
	scripts/fuzz.sh $(FUZZ_SMOKE_SECONDS)

# The playground in build/web: the engine in WebAssembly (emscripten), the
# page (index.html, opens from disk), the module and its node command.
web: deps
	cmake --preset wasm
	cmake --build --preset wasm -j $(JOBS)

# `trelmix learn` on the jobs of bench/learn/: per job, train and held-out
# pass, the training records needed, the time; then the totals.
bench-learn: release
	python3 bench/learn/run.py build/release/bin/trelmix bench/learn

# The examples through the trelmix command: formatted scans and key strokes.
demo: release
	scripts/demo.sh build/release/bin/trelmix

# Each fuzz target for FUZZ_SECONDS (executions and edges per target), then
# the engines' differential on more generated cases than the tests run.
ENGINE_CASES ?= 3000
fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)
	if [ -x build/dev/bin/trelmix_tests ]; then \
	  TRELMIX_ENGINE_CASES=$(ENGINE_CASES) TRELMIX_ENGINE_SEED=$$(date +%s) \
	    build/dev/bin/trelmix_tests --gtest_filter='Engines.*'; fi

# Planted faults (the shared mutants tool) in src/ and in tools/, scored apart,
# on a fast build without sanitizers and the tests that run in seconds.
MUTANTS ?= $(CURDIR)/../shared/tools/mutants
MUTANT_COUNT ?= 30
# Left out for time (each takes 10-40 s a mutant on a loaded machine): the
# header modes, the engines' differential and the grammar checks of
# editors/vscode; and the checks of the tree's shape (layers, exported
# symbols), which no planted fault in a function changes.
MUTANT_TESTS ?= ctest --test-dir build/mutants -j $(JOBS) --timeout 60 \
  -E 'web|x86|install|Engines|layers|symbols|header_modes|^editors$$'
MUTANT_BUILD ?= cmake --build build/mutants -j $(JOBS) --target trelmix_tests trelmix_cli trelmix_cli_tests \
  trelmix_learn_tests trelmix_c_host trelmix_oom_tests
MUTANT_SEED ?=
# The Windows backend is not built here (its tests run under Wine).
MUTANT_SRC = $(filter-out src/platform/platform_win32.cpp,$(shell git ls-files 'src/*.cpp' 'src/*.h'))
mutants: deps
	cmake -S . -B build/mutants -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRELMIX_TESTS=ON \
	  -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS
	$(MUTANT_BUILD)
	$(MUTANTS) --count $(MUTANT_COUNT) $(if $(MUTANT_SEED),--seed $(MUTANT_SEED)) --build '$(MUTANT_BUILD)' --test "$(MUTANT_TESTS)" \
	  --out build/mutants/src.jsonl $(MUTANT_SRC)
	$(MUTANTS) --count $(MUTANT_COUNT) $(if $(MUTANT_SEED),--seed $(MUTANT_SEED)) --build '$(MUTANT_BUILD)' --test "$(MUTANT_TESTS)" \
	  --out build/mutants/tools.jsonl tools/trelmix

# build/windows-x86/bin/trelmix.dll (the shipped plug-in) and build/windows-x64/bin/trelmix.dll
# (the x64 tests' build); the zip's x64 DLL and trelmix.exe: build/windows-x64-shipped
windows-x86: deps
	cmake --preset windows-x86
	cmake --build --preset windows-x86 -j $(JOBS)

windows: windows-x86
	cmake --preset windows-x64
	cmake --build --preset windows-x64 -j $(JOBS)
	cmake --preset windows-x64-shipped
	cmake --build --preset windows-x64-shipped -j $(JOBS)

test-windows: windows
	ctest --preset windows-x86 -j $(JOBS)
	ctest --preset windows-x64 -j $(JOBS)
	ctest --preset windows-x64-shipped -j $(JOBS)

x86: deps
	cmake --preset linux-x86
	cmake --build --preset linux-x86 -j $(JOBS)

test-x86: x86
	ctest --preset linux-x86 -j $(JOBS)

# dist/trelmix-VERSION-linux-x86_64.tar.gz and dist/trelmix-VERSION-windows.zip,
# each with its SHA-256 list and the playground; test-dist unpacks and uses both.
dist: release windows web
	scripts/dist.sh

test-dist: dist
	tests/install/check_dist.sh build/windows-x64/bin/trelmix_doc_host.exe build/windows-x64/wineprefix

# Benchmarks (not part of test): engine against a hand-written floor, Lua and node.
BENCH_ARGS ?= --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
bench:
	@scripts/deps.sh
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	build/bench/bin/trelmix_bench $(BENCH_ARGS)

# The playground's compile and run time in headless Chromium.
bench-web: web
	node bench/web_page.mjs build/web

clean:
	rm -rf build dist

# C and C++ as .clang-format says, and no trailing blanks or missing final
# newlines (scripts/check-format.sh --fix rewrites what differs).
.PHONY: format-check
format-check: deps
	scripts/check-format.sh
