# The two commands of the README: `make demo` runs Kestrel, `make test` runs every test.
# Both first install whatever a fresh Debian 12 machine lacks.
BUILD     := build
TESTBUILD := build/test
TOOLCHAIN := $(CURDIR)/cmake/toolchain-mingw.cmake

.PHONY: all bootstrap test demo clean

all: bootstrap
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja \
	    -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DKESTREL_THREADS=win32 -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD)

bootstrap:
	@./scripts/bootstrap.sh

test: all
	@[ -f $(TESTBUILD)/build.ninja ] || cmake -S . -B $(TESTBUILD) -G Ninja \
	    -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DKESTREL_THREADS=posix -DCMAKE_BUILD_TYPE=Release \
	    -DKESTREL_TESTS=ON -DKESTREL_PROGRAM_BUILD=$(CURDIR)/$(BUILD)
	cmake --build $(TESTBUILD)
	./scripts/run-tests.sh $(CURDIR)/$(BUILD) $(CURDIR)/$(TESTBUILD)

demo: all
	./scripts/demo.sh $(CURDIR)/$(BUILD)

clean:
	rm -rf $(BUILD)
