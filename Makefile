# Vornel: build, test and try the product.
#   make test    install missing packages, build everything, run every test
#   make demo    fit the bundled example material in a scratch folder and print the law
#   make bench   build and run the benchmarks
#   make build   configure and build only

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test demo bench clean

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

clean:
	rm -rf $(BUILD_DIR)
