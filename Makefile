# Entry points: `make run` and `make test` install what is missing, build, then
# open the window or run every test. `make bench` measures speed.
FIRMA := build/cli/firma
FIRMA_GUI := build/window/firma-gui

.PHONY: deps build run test bench fuzz clean

deps:
	@./scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	    $(FIRMA_GUI); \
	else \
	    echo "No display to open the window on; the command line is $(FIRMA):"; \
	    $(FIRMA) --help; \
	fi

# Then again under AddressSanitizer with UndefinedBehaviorSanitizer, and the
# threaded parts under ThreadSanitizer: each needs its own build. Then the
# Windows build, cross-compiled, with its tests under Wine. Last, a minute of
# fuzzing for each fuzz target.
test: build
	ctest --preset default
	cmake --workflow --preset sanitize
	cmake --workflow --preset thread
	./scripts/windows-test
	./scripts/fuzz 60

fuzz: deps
	./scripts/fuzz $${FUZZ_SECONDS:-600}

bench: build
	./build/bench/firma-bench
	./scripts/bench-batch $(FIRMA)

clean:
	rm -rf build build-sanitize build-thread build-fuzz build-windows
