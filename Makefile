# The two commands of the README: `make` (install what is missing, build) and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo -G Ninja)

.PHONY: all deps configure build test test-asan test-win run install uninstall package clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	@$(MAKE) --no-print-directory test BUILD=build-asan CMAKE_FLAGS="-DVTL_SANITIZE=ON"

# The Windows slice: VtlExt.dll and its tests, cross-built with mingw-w64 into build-win/ and run
# under Wine in a Wine prefix of the build's own (scripts/test-win.sh). The toolchain, Wine, the
# type library's compiler and GoogleTest's sources are installed for it alone.
WIN_PACKAGES := g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 libwine-dev googletest
test-win:
	@scripts/install-deps.sh $(WIN_PACKAGES)
	@cmake -S . -B build-win $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release $(WIN_CMAKE_FLAGS) >/dev/null
	@cmake --build build-win -j $(JOBS)
	@scripts/test-win.sh build-win

# With a display: the program. Without one: the demo, which hands a folder of pictures to vtl
# through a real hand-off block, as the file manager's "Resize as default setting" does.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD)/bin/vtl; else scripts/demo.sh $(BUILD); fi

# Installs for the current user: the program in ~/.local/lib/vantrel/ (user.dat stays beside
# it, so the folder must be the user's), a link in ~/.local/bin/, the desktop entry and icons.
PREFIX ?= $(HOME)/.local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian packages, for every user of the machine: build/vantrel_<version>_amd64.deb and
# build/vantrel-nautilus_<version>_amd64.deb (sudo apt install ./build/vantrel_*.deb).
package: build
	@cd $(BUILD) && cpack -G DEB

uninstall:
	@if [ -f $(BUILD)/install_manifest.txt ]; then xargs -r -d '\n' rm -f -- < $(BUILD)/install_manifest.txt; \
	  rmdir --ignore-fail-on-non-empty $(PREFIX)/lib/vantrel $(PREFIX)/share/vantrel $(PREFIX)/share/doc/vantrel 2>/dev/null || true; \
	  echo "Vantrel removed from $(PREFIX)"; else echo "Nothing installed from $(BUILD)"; fi

clean:
	rm -rf build build-asan build-win
