# Vornel: build, test and try the product.
#   make test    install missing packages, build everything, run every test
#   make demo    fit the bundled example material in a scratch folder and print the law
#   make bench   build and run the benchmarks
#   make fuzz    build the fuzz harnesses with clang (build-fuzz) and run each for
#                FUZZ_SECONDS seconds (default 60)
#   make build   configure and build only

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test demo bench fuzz clean

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

DEMO_DIR ?= $(BUILD_DIR)/demo

# Fits the bundled example material in a fresh scratch folder, letting Vornel pick the best
# model; the files of the run stay in $(DEMO_DIR).
demo: build
	rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)
	cd $(DEMO_DIR) && $(CURDIR)/$(BUILD_DIR)/bin/vornel --fit best --name example-steel \
		--curves $(CURDIR)/examples/hensel-spittel-steel/curves.txt
	@echo "Files of the run: $(DEMO_DIR)"

BENCH_DIR ?= build-bench

bench:
	./scripts/install-deps.sh bench
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DVORNEL_BUILD_BENCHMARKS=ON -DBUILD_TESTING=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bin/bench_*; do echo "== $$b"; $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; done

# libFuzzer harnesses of the file readers, built with clang in their own folder; each runs
# FUZZ_SECONDS seconds (scripts/run-fuzzers.sh says where the corpora and findings go).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DVORNEL_FUZZ=ON -DVORNEL_BUILD_GUI=OFF -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_import fuzz_material fuzz_engine_intake fuzz_surface fuzz_seeds
	./scripts/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR)
