# Thin wrapper around CMake; the real build lives in CMakeLists.txt.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all build deps demo check check-slow clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

demo: deps build
	./$(BUILD)/quarnel examples/demo.wcnf

# The fast tests; check-slow runs those that need the benchmark corpus or take long.
check: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

check-slow: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L slow

clean:
	rm -rf $(BUILD)
