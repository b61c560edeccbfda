# make run   - set up, build, and start the player under Wine with its demo channels
# make test  - set up, build the three configurations, run every test
# make dist  - the downloads in dist/: two portable ZIPs and the installer
NATIVE := build/native
WIN64  := build/win64
WIN32  := build/win32
JOBS   ?= $(shell nproc)
# Wine tests at once; each has its own prefix and display (cmake/win64.cmake).
WINE_JOBS ?= 1

.PHONY: all setup check build native win64 win32 test dist run clean

all: build

setup:
	@scripts/setup

# Every outside command of the build and the tests comes from the list in scripts/setup.
check: setup
	@scripts/check-packages

native: check
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win64: check
	@cmake -S . -B $(WIN64) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DSTREVO_WINE_SLOTS=$(WINE_JOBS) >/dev/null
	@cmake --build $(WIN64) -j $(JOBS)

# The 32-bit build for real engines: Strevo.exe and the stand-in engine only,
# checked by compiling (its static_asserts); nothing 32-bit runs here.
win32: check
	@cmake -S . -B $(WIN32) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN32) -j $(JOBS) --target Strevo strevo_engine

build: native win64
	@build/native/tools/lngen $(WIN64)/run/Strevo.lng.en

test: build win32
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)
	ctest --test-dir $(WIN64) --output-on-failure -j $(WINE_JOBS)

# Build date and ZIP times from the commit, so two runs give the same bytes.
dist: export SOURCE_DATE_EPOCH := $(shell git log -1 --format=%ct 2>/dev/null || echo 0)
dist: build win32
	scripts/make-dist $(WIN64) $(WIN32) dist

run: build
	scripts/run-player

clean:
	rm -rf build
