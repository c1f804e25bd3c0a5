# Set-up and everyday commands of the Sorvik station.
#   make run    install what is missing, build, make a demo database on first use, start the
#               virtual instrument beside it (stopped again when the station exits) and the station
#   make test   install what is missing, build with sanitizers, run every test on the offscreen platform
#   make bench  build optimised and run the benchmarks
JOBS ?= $(shell nproc)
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
CONFIG_HOME := $(if $(XDG_CONFIG_HOME),$(XDG_CONFIG_HOME),$(HOME)/.config)
DEMO_DIR ?= $(HOME)/.local/share/sorvik
DEMO_DB := $(DEMO_DIR)/school.mdb
DEMO_PUPILS ?= 400

.PHONY: all deps build build-test run test bench format clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVIK_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

build-test: deps
	@cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DSORVIK_SANITIZE=ON -DSORVIK_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(TEST_BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run-station $(BUILD_DIR) "$(DEMO_DB)" $(DEMO_PUPILS)

test: build-test
	@cd $(TEST_BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@scripts/run-bench $(BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR)
