# Entry points: `make run` (build, start the simulated demo network and the program on it) and
# `make test` (check the include layers and the source layout, build with AddressSanitizer +
# UndefinedBehaviorSanitizer and run every test, then a ThreadSanitizer run of the multi-threaded
# test programs; the fuzz targets replay their saved inputs there). `make fuzz` runs the fuzz
# targets themselves; `make soak` runs the long endurance test.
# `make windows` cross-builds the core, the command-line tools, the tests that need no line and the
# window (vendra.exe, with the Qt DLLs beside it) for 64-bit Windows (build/windows/bin);
# `make windows-test` runs them under wine against the Linux simulator. `make package` makes the
# Debian package (build/package/*.deb). None of these is part of make test.
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja

.PHONY: build run test tsan fuzz bench soak clean windows windows-test package windows-package \
	windows-package-test

build:
	@scripts/bootstrap.sh build
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS)

run: build
	scripts/run-demo.sh

test:
	@scripts/bootstrap.sh test
	scripts/check-layers.sh
	scripts/check-format.sh
	cmake -S . -B build/asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVENDRA_SANITIZE=ON >/dev/null
	cmake --build build/asan -j $(JOBS)
	cd build/asan && QT_QPA_PLATFORM=offscreen \
	  ctest --output-on-failure -j $(JOBS) --timeout 300
	JOBS=$(JOBS) scripts/tsan-threads.sh

tsan:
	@scripts/bootstrap.sh test
	cmake -S . -B build/tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVENDRA_TSAN=ON >/dev/null
	cmake --build build/tsan -j $(JOBS)
	cd build/tsan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

# Each fuzz target for FUZZ_S seconds (default 60), one after the other (clang, libFuzzer).
FUZZ_S ?= 60
fuzz:
	@scripts/bootstrap.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVENDRA_FUZZ=ON -DVENDRA_UI=OFF >/dev/null
	cmake --build build/fuzz --target fuzz_targets -j $(JOBS)
	scripts/run-fuzz.sh build/fuzz $(FUZZ_S)

# The window benchmarks draw offscreen when there is no display.
bench: build
	@[ -n "$$DISPLAY" ] || export QT_QPA_PLATFORM=offscreen; \
	 for b in build/bin/bench-*; do [ -x "$$b" ] && { echo "== $$b"; "$$b"; }; done; true

# Endurance, not part of make test: the communication test's 3000000-step run against the simulator
# (steps, mismatches, seconds and the host's resident memory at start and end).
soak:
	@scripts/bootstrap.sh build
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS) --target soak-commtest
	build/bin/soak-commtest

# Qt for Windows is built once per machine into a cache outside the tree (the first time takes
# half an hour or more; scripts/build-qt-mingw.sh). The linker flags are given empty: how each
# program links the compiler's runtime is the project's choice (CMakeLists.txt), not a tree's
# cached flags.
windows:
	@scripts/bootstrap.sh windows
	qt=$$(scripts/build-qt-mingw.sh) && \
	  cmake -S . -B build/windows $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_EXE_LINKER_FLAGS= \
	  -DVENDRA_QT_MINGW="$$qt" -DVENDRA_UI=ON >/dev/null
	cmake --build build/windows -j $(JOBS) --target windows_all

# The Linux simulator, vendra-def, vendra-run, line driver and window are the Windows build's
# counterparts.
windows-test: windows
	@scripts/bootstrap.sh windows-test
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS) --target vendra-sim vendra-def line-driver vendra-run vendra
	scripts/windows-test.sh

# The Windows installer (build/windows/Vendra-Setup-<version>.exe): what packaging/windows installs,
# made into one program by CPack's NSIS generator. windows-package-test installs it under wine,
# starts the installed programs and uninstalls it. Neither is part of make test.
windows-package: windows
	@scripts/bootstrap.sh windows-package
	cd build/windows && cpack -G NSIS
	@ls -1 build/windows/Vendra-Setup-*.exe

windows-package-test: windows-package
	@scripts/bootstrap.sh windows-package-test
	scripts/windows-package-test.sh

# The Debian package of the Linux build; scripts/package-check.sh installs, starts and removes it.
package:
	@scripts/bootstrap.sh package
	cmake -S . -B build/package $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DVENDRA_TESTS=OFF >/dev/null
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack -G DEB
	@ls -1 build/package/*.deb

clean:
	rm -rf build
