#!/usr/bin/python3
"""Checks software bills of materials against CycloneDX's own JSON schema for 1.6, as CycloneDX's
JavaScript library ships it in the npm registry (fetched once, checked against the registry's
digest, and kept in the user's cache folder), with Debian's jsonschema; and, for a Windows zip,
that every DLL in it is named with its SHA-256.
Usage: check-sbom.py SBOM [ZIP]   (prints what is wrong and exits 1)"""
import base64, hashlib, io, json, os, sys, tarfile, urllib.request, zipfile
import jsonschema

LIBRARY = "https://registry.npmjs.org/@cyclonedx/cyclonedx-library/-/cyclonedx-library-10.3.0.tgz"
INTEGRITY = "RIT28sp1U0PCHaaeF3yNRwk6Jig/XJ8UsYAVOMYaHQ+0VVOvsjcp0PTWQFLUqJFF8XMud+Kdq6G+wtDAh+QJFA=="
SCHEMAS = "http://cyclonedx.org/schema/"


def fail(message):
    sys.exit(f"FAIL (sbom): {message}")


def library():
    cache = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"),
                         "keyfold", os.path.basename(LIBRARY))
    if not os.path.exists(cache):
        with urllib.request.urlopen(LIBRARY, timeout=60) as response:
            content = response.read()
        if base64.b64encode(hashlib.sha512(content).digest()).decode() != INTEGRITY:
            fail(f"{LIBRARY} is not the package the registry lists")
        os.makedirs(os.path.dirname(cache), exist_ok=True)
        with open(cache + ".part", "wb") as file:
            file.write(content)
        os.replace(cache + ".part", cache)
    with open(cache, "rb") as file:
        return file.read()


# The schema and those it refers to, by the addresses it gives them.
def validator():
    store = {}
    with tarfile.open(fileobj=io.BytesIO(library())) as archive:
        for member in archive.getmembers():
            if member.name.startswith("package/res/schema/") and member.name.endswith(".json"):
                name = os.path.basename(member.name)
                store[SCHEMAS + name] = json.load(archive.extractfile(member))
    schema = store[SCHEMAS + "bom-1.6.SNAPSHOT.schema.json"]
    resolver = jsonschema.RefResolver(SCHEMAS + "bom-1.6.schema.json", schema, store=store)
    return jsonschema.Draft7Validator(schema, resolver=resolver)


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
