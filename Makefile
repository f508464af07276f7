# The two commands of the README: `make demo` runs Kestrel, `make test` runs every test.
# Both first install whatever a fresh Debian 12 machine lacks.
#
# build/ always holds the shipped 32-bit program. On a machine that runs 64-bit user code only,
# Wine cannot start 32-bit programs: the demo and the tests then run the same sources built for
# x86_64 (build/x64, build/test64) in a 64-bit prefix. The x86_64 tree is built first: the shipped
# installer carries its 64-bit drivers, and the Debian package both installers.
BUILD := build

.PHONY: all bootstrap test demo bench mutants clean deb

all: bootstrap
	@./scripts/build.sh x86_64 win32 $(BUILD)/x64
	@./scripts/build.sh i686 win32 $(BUILD)
	@./scripts/make-deb.sh $(CURDIR)/$(BUILD)

# build/kestrel_VERSION_all.deb, the package for Debian's Wine (make all builds it too).
deb: all

bootstrap:
	@./scripts/bootstrap.sh

test: all
	@./scripts/test.sh $(CURDIR)/$(BUILD)

# One table of start-up, idle, memory, size and drawing costs, measured in the test world; then
# the lines of code of the program, the simulator and the tests.
bench: all
	@KESTREL_BENCH=tests/kestrel_bench.exe ./scripts/test.sh $(CURDIR)/$(BUILD)
	@./scripts/count-lines.sh

# A day of running of the main window (make test runs a short round of it); prints its figures.
.PHONY: soak
soak: all
	@KESTREL_SOAK_ROUNDS=200 ./scripts/test.sh $(CURDIR)/$(BUILD) -L soak -V --timeout 7200

# Each planted fault of tests/mutants against the whole suite (long; not part of make test).
# MUTANTS=name,name picks some.
mutants: bootstrap
	@MUTANTS='$(MUTANTS)' ./tests/mutants/run.sh

# DRIVER=sysfs: the Linux power driver, this machine's own backlight and CPU clock.
demo: all
	@DRIVER='$(DRIVER)' ./scripts/demo.sh $(CURDIR)/$(BUILD)

clean:
	rm -rf $(BUILD)
