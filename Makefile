# The two commands: `make run` and `make test`. Each installs what it needs.
.PHONY: run test build dist gif bench soak clean

run:
	@scripts/run.sh

test:
	@scripts/test.sh

build:
	@scripts/build.sh

dist:
	@scripts/dist.sh

gif:
	@scripts/tools/make-gif.sh

bench:
	@scripts/tools/bench.sh $(SECONDS) $(if $(EXTRAS),--extras)

soak:
	@scripts/tools/soak.sh $(SECONDS)

clean:
	-@bash -c 'source scripts/wine-env.sh; wineserver -k 2>/dev/null' || true
	rm -rf build
