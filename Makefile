# Entry points: `make run` and `make test` install what is missing, build, then
# run the tool or every test. `make bench` measures speed.
FIRMA := build/cli/firma

.PHONY: deps build run test bench clean

deps:
	@./scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default

run: build
	@if [ -z "$(FILES)" ]; then \
	    echo "Sign files with: make run FILES='file1 file2'"; \
	    $(FIRMA) --help; \
	else \
	    $(FIRMA) $(FILES); \
	fi

test: build
	ctest --preset default

bench: build
	./build/bench/firma-bench

clean:
	rm -rf build build-sanitize
