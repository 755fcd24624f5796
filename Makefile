# Entry points: `make run` and `make test` install what is missing, build, then
# open the window or run every test. `make bench` measures speed. Programs are
# started through the build's own targets, which know where they were built.

.PHONY: deps build run test bench fuzz clean

deps:
	@./scripts/install-deps

# Configured once, and again when the presets change; after that the build
# itself reruns CMake whenever a CMakeLists.txt does, so `make run` never
# reconfigures a build under way (its own test runs inside that build).
build/build.ninja: CMakePresets.json | deps
	cmake --preset default

build: build/build.ninja
	cmake --build --preset default

run: build
	cmake --build --preset default --target run

# Then again under AddressSanitizer with UndefinedBehaviorSanitizer, and the
# threaded parts under ThreadSanitizer: each needs its own build. Then the
# Windows build, cross-compiled, with its tests under Wine; the core and its
# tests for 32-bit x86 and 64-bit Arm (natively where the kernel runs them,
# else under qemu-user). Last, ten seconds of fuzzing for each fuzz target, side
# by side: enough to show they build and run; `make fuzz` searches for longer.
test: build
	ctest --preset default
	cmake --workflow --preset sanitize
	cmake --workflow --preset thread
	cmake --workflow --preset windows
	cmake --workflow --preset i686
	cmake --workflow --preset aarch64
	./scripts/fuzz 10

fuzz: deps
	./scripts/fuzz $${FUZZ_SECONDS:-600}

bench: build
	cmake --build --preset default --target bench

clean:
	rm -rf build build-sanitize build-thread build-fuzz build-windows build-i686 build-aarch64
