# Front end of the CMake builds. `make test` does everything on a fresh
# Debian 12 machine: installs what is missing, builds all configurations
# and runs every test.
#   build/native  Linux g++, portable core and its tests
#   build/asan    the same under AddressSanitizer + UndefinedBehaviorSanitizer
#   build/win64   x86_64-w64-mingw32, tests run under Wine 64-bit on Xvfb
#   build/win32   i686-w64-mingw32, the shipped 32-bit product (built only)
#   build/fuzz    clang++ with libFuzzer and the sanitizers: the core's fuzzers
#                 (`make fuzz` runs each for FUZZ_SECONDS)

JOBS ?= 2
FUZZ_SECONDS ?= 60
CONFIGS := native asan win64 win32
# The Windows builds that `make run` and `make bench` (x86_64) and
# `make dist` (i686) take the program from.
WIN64_BUILD ?= build/win64
WIN32_BUILD ?= build/win32

.PHONY: all deps build test bench run dist screenshots soak fuzz fuzz-build readme-chart clean $(CONFIGS)

all: build

deps:
	@bash cmake/install-deps.sh

build: deps
	@$(MAKE) --no-print-directory $(CONFIGS) fuzz-build

build/native/CMakeCache.txt:
	cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release
build/asan/CMakeCache.txt:
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DHALV_SANITIZE=ON
build/win64/CMakeCache.txt:
	cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
build/win32/CMakeCache.txt:
	cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake
build/fuzz/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALV_FUZZ=ON

$(CONFIGS): %: build/%/CMakeCache.txt
	cmake --build build/$@ -j$(JOBS)

fuzz-build: build/fuzz/CMakeCache.txt
	cmake --build build/fuzz --target fuzzers -j$(JOBS)

test: build
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash cmake/run-all-tests.sh

fuzz: deps
	@$(MAKE) --no-print-directory fuzz-build
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash cmake/run-fuzzers.sh

# The model's hot operations natively and hvdtool range's draws per second
# on one thread and on all, a default range run timed (and one with --sobol),
# then the results screen's paint timings and start-up times under Wine
# (cmake/run-bench.sh).
bench: deps native $(WIN64_BUILD)/CMakeCache.txt
	build/native/model_bench
	@bash -c 'TIMEFORMAT="hvdtool range, 100,000 draws and each parameter at its ends: %R s (%U s CPU)"; time build/native/hvdtool range build/native/scenarios/Pessimistic.hvd build/native/scenarios/Optimistic.hvd >/dev/null'
	@bash -c 'TIMEFORMAT="hvdtool range --sobol, the same and 2,400,000 runs for the Sobol indices: %R s (%U s CPU)"; time build/native/hvdtool range build/native/scenarios/Pessimistic.hvd build/native/scenarios/Optimistic.hvd --sobol >/dev/null'
	cmake --build $(WIN64_BUILD) --target paint_bench Halvdyne settings_Internal -j$(JOBS)
	@bash cmake/run-bench.sh $(WIN64_BUILD)

# docs/uncertainty.svg, the README's chart: hvdtool range between the
# shipped scenarios, with the default draws and seed; then the README's
# hvdtool examples, each run again in build/native/scenarios, and its table
# of the published estimates in build/native/scenarios/published.
readme-chart: native
	cd build/native/scenarios && ../hvdtool range Pessimistic.hvd Optimistic.hvd --svg $(CURDIR)/docs/uncertainty.svg >/dev/null
	python3 cmake/readme-examples.py write README.md build/native/scenarios $(CURDIR)/build/native/hvdtool

# The program folder build/program, run under Wine: on $$DISPLAY, or on a
# private Xvfb with a screenshot in build/screenshot.png.
run: deps $(WIN64_BUILD)/CMakeCache.txt
	@JOBS=$(JOBS) bash cmake/run-program.sh $(WIN64_BUILD)

# build/dist/Halvorendyne.zip: the 32-bit program folder for Windows users.
dist: deps $(WIN32_BUILD)/CMakeCache.txt
	@JOBS=$(JOBS) bash cmake/make-dist.sh $(WIN32_BUILD)

# Seeded random keys on the 64-bit program (tests/app/soak_test.sh): one
# walk of KEYS keys per seed in SEED (several seeds separated by spaces).
SEED ?= 1
KEYS ?= 1000
soak: deps $(WIN64_BUILD)/CMakeCache.txt
	cmake --build $(WIN64_BUILD) --target Halvdyne screen_probe settings_Internal help_file help_chm -j$(JOBS)
	KEYS=$(KEYS) bash cmake/wine-screen.sh 1024x768 bash tests/app/soak_test.sh $(WIN64_BUILD)/Halvdyne.exe \
	  $(WIN64_BUILD)/screen_probe.exe $(WIN64_BUILD)/host-tools/hvdtool $(WIN64_BUILD) $(SEED)

# build/screenshots: the results screen and the wizard's five pages, from
# the program on a private 1024x768 Xvfb (cmake/take-screenshots.sh).
screenshots: deps $(WIN64_BUILD)/CMakeCache.txt
	@JOBS=$(JOBS) bash cmake/take-screenshots.sh $(WIN64_BUILD)

clean:
	rm -rf build
