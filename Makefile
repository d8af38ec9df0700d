# Quillbane: cross-built with mingw-w64, tested under Wine.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all build test clean deps run demo package

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $$(nproc)

test: build
	scripts/run-tests $(BUILD)

# A Windows machine with an uninstalled program's leftovers next to a healthy one:
# scan, clean with a backup, list the backups, restore (build/demo-prefix).
demo: build
	scripts/demo $(BUILD)

# dist/Quillbane-<version>-portable.zip and dist/QuillbaneSetup-<version>.exe.
package: build
	scripts/package $(BUILD) dist

# The window on your display, in its own prefix: make run [PREFIX=build/demo-prefix]
PREFIX ?= $(BUILD)/run-prefix
run: build
	scripts/run-window $(BUILD) $(PREFIX)

clean:
	-WINEPREFIX=$(abspath $(BUILD))/wineprefix wineserver -k 2>/dev/null
	rm -rf $(BUILD)
