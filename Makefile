# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
FILE ?= samples/sample.txt

.PHONY: run test build setup configure bench package fuzz clean

setup:
	scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/korvane "$(FILE)"

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The Debian package build/korvane_<version>_amd64.deb, checked by lintian.
package: build
	scripts/setup.sh package
	cd $(BUILD) && cpack -G DEB

# Every libFuzzer target for SECONDS each (clang, ASan, UBSan), corpora kept in build-fuzz/.
SECONDS ?= 60
fuzz: setup
	scripts/fuzz.sh $(SECONDS)

bench: build
	bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
