# Thin entry points; the work is in scripts/. BUILD names the build folder (default: build).
BUILD ?= build
export BUILD

.PHONY: all bootstrap build demo test unit e2e fuzz bench clean

all: build

bootstrap:
	scripts/bootstrap

build: bootstrap
	scripts/build

demo: build
	scripts/demo

test: build
	scripts/test

unit: build
	scripts/test unit

e2e: build
	scripts/test e2e

fuzz: bootstrap
	scripts/fuzz

bench: bootstrap
	scripts/bench

clean:
	rm -rf $(BUILD)
