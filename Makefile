# make run    set up (packages, build, Wine prefix) and start Tessavane
# make test   set up, then run every test through CTest
# make build  set up and build only
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test clean

all: build

deps:
	@tools/setup-deps

# Configure every time: cheap, and a folder that just got code joins the build.
# The second tree is the host build of the platform-neutral code under
# sanitizers, with fuzzers.
configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake -S . -B $(BUILD)/native -DTESS_NATIVE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)
	cmake --build $(BUILD)/native -j $(JOBS)

run: build
	$(BUILD)/tessavane

test: build
	TESS_BUILD_DIR=$(abspath $(BUILD)) tools/wine-session --private-display \
	  tools/run-tests $(BUILD) $(JOBS) $(CTEST_ARGS)

clean:
	rm -rf $(BUILD)
