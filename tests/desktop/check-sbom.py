#!/usr/bin/python3
"""Checks a software bill of materials against CycloneDX's own JSON schema for 1.6, as CycloneDX's
JavaScript library ships it (tests/cyclonedx/schemas.tar.xz), with Debian's jsonschema; and, for a
Windows zip, that every DLL in it is named with its SHA-256.
Usage: check-sbom.py SBOM [ZIP]   (prints what is wrong and exits 1)"""
import hashlib, json, os, sys, tarfile, zipfile
import jsonschema

SCHEMAS = "http://cyclonedx.org/schema/"


def fail(message):
    sys.exit(f"FAIL (sbom): {message}")


# The schema and those it refers to, by the addresses it gives them.
def validator():
    with tarfile.open(os.path.join(os.path.dirname(__file__), "..", "cyclonedx",
                                   "schemas.tar.xz")) as schemas:
        store = {SCHEMAS + member.name: json.load(schemas.extractfile(member))
                 for member in schemas.getmembers()}
    schema = store[SCHEMAS + "bom-1.6.SNAPSHOT.schema.json"]
    try:
        from referencing import Registry, Resource
    except ImportError:  # jsonschema before 4.18 (Debian 12), which resolves references itself
        resolver = jsonschema.RefResolver(SCHEMAS + "bom-1.6.schema.json", schema, store=store)
        return jsonschema.Draft7Validator(schema, resolver=resolver)
    registry = Registry().with_resources(
        (address, Resource.from_contents(contents)) for address, contents in store.items())
    return jsonschema.Draft7Validator(schema, registry=registry)


def files_of(components):
    for component in components:
        if component["type"] == "file":
            yield component["name"], component["hashes"][0]["content"]
        yield from files_of(component.get("components", []))


with open(sys.argv[1], encoding="utf-8") as file:
    bom = json.load(file)
errors = [f"{'/'.join(map(str, error.absolute_path))}: {error.message}"
          for error in validator().iter_errors(bom)]
if errors:
    fail(f"{sys.argv[1]} is not CycloneDX 1.6:\n  " + "\n  ".join(errors[:20]))
if len(sys.argv) > 2:
    named = dict(files_of(bom["components"]))
    with zipfile.ZipFile(sys.argv[2]) as archive:
        for member in archive.namelist():
            name = member.split("/", 1)[1]
            if name.lower().endswith(".dll") and \
                    named.get(name) != hashlib.sha256(archive.read(member)).hexdigest():
                fail(f"{sys.argv[1]} gives {name} as {named.get(name, 'nothing')}")
