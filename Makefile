# Set-up and everyday commands of the Sorvik station.
#   make run    install what is missing, build, make a demo database on first use, start the
#               virtual instrument beside it (stopped again when the station exits) and the station
#   make test   install what is missing, build with sanitizers, run every test on the offscreen platform
#   make bench  build optimised and run the benchmarks
#   make package          build the Debian package (build-package/sorvik_<version>_<arch>.deb)
#   make package-check    build it, unpack it into a scratch root and check the installed station
JOBS ?= $(shell nproc)
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
CONFIG_HOME := $(if $(XDG_CONFIG_HOME),$(XDG_CONFIG_HOME),$(HOME)/.config)
DEMO_DIR ?= $(HOME)/.local/share/sorvik
DEMO_DB := $(DEMO_DIR)/school.mdb
DEMO_PUPILS ?= 400
PACKAGE_BUILD_DIR ?= build-package
# Debian's compiler and linker flags, hardening included, as a Debian build would use them.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get

.PHONY: all deps build build-test run test bench package package-check format clean

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

package: deps
	@cmake -S . -B $(PACKAGE_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	    -DSORVIK_BUILD_TESTS=OFF -DSORVIK_BUILD_BENCH=OFF \
	    "-DCMAKE_C_FLAGS=$$($(DEB_FLAGS) CFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	    "-DCMAKE_CXX_FLAGS=$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	    "-DCMAKE_EXE_LINKER_FLAGS=$$($(DEB_FLAGS) LDFLAGS)" \
	    "-DCMAKE_SHARED_LINKER_FLAGS=$$($(DEB_FLAGS) LDFLAGS)" >/dev/null
	@cmake --build $(PACKAGE_BUILD_DIR) -j $(JOBS)
	@cd $(PACKAGE_BUILD_DIR) && cpack -G DEB >/dev/null && ls -1 $$PWD/sorvik_*.deb

package-check: package
	@scripts/check-package $(PACKAGE_BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(PACKAGE_BUILD_DIR)
