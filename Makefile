# make run   - set up, build, and start the player under Wine with its demo channels
# make test  - set up, build both configurations, run every test
NATIVE := build/native
WIN64  := build/win64
JOBS   ?= $(shell nproc)
# Wine tests at once; each has its own prefix and display (cmake/win64.cmake).
WINE_JOBS ?= 3

.PHONY: all setup check build native win64 test run clean

all: build

setup:
	@scripts/setup

# Every outside command of the build and the tests comes from scripts/packages.
check: setup
	@scripts/check-packages

native: check
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win64: check
	@cmake -S . -B $(WIN64) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DSTREVO_WINE_SLOTS=$(WINE_JOBS) >/dev/null
	@cmake --build $(WIN64) -j $(JOBS)

build: native win64
	@build/native/tools/lngen $(WIN64)/run/Strevo.lng.en

test: build
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)
	ctest --test-dir $(WIN64) --output-on-failure -j $(WINE_JOBS)

run: build
	scripts/run-player

clean:
	rm -rf build
