# The two set-up commands: `make run` and `make test`. Both install what is
# missing first (Debian packages, through scripts/install-deps.sh).

BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all deps build run test bench sanitize clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

# Starts the program with its data files in ./data.
run: build
	mkdir -p data
	cd data && ../$(BUILD)/src/app/korvalen

# The whole suite, headless.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600

# The suite built with the address and undefined-behaviour sanitizers.
sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKORVALEN_SANITIZE=ON
	cmake --build build-sanitize -j$(JOBS)
	cd build-sanitize && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
		UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS) --timeout 1200

# Benchmarks: an optimised build; each program prints `name value unit` lines.
# Every program runs even when one fails; make then fails.
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVALEN_BENCH=ON -DKORVALEN_TESTS=OFF
	cmake --build build-bench -j$(JOBS)
	@failed=0; for b in build-bench/bench/bench_*; do \
		if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || failed=1; fi; \
	done; exit $$failed

clean:
	rm -rf $(BUILD) build-sanitize build-bench
