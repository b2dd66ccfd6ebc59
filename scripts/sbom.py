#!/usr/bin/python3
"""Writes the software bill of materials of a Keyfold download, in CycloneDX 1.6 JSON.

  sbom.py windows DOWNLOAD FOLDER SHIPPED [NSIS_PLUGINS]   the zip, setup program or MSI
  sbom.py deb DOWNLOAD                                     the .deb

FOLDER: the Windows folder that the download holds or installs; SHIPPED: the list of the libraries
in it that the build wrote (name, Debian source package and version, and for Qt's the file listing
their sources); NSIS_PLUGINS: for the setup program, the folder of the plug-ins it carries. The
environment gives SOURCE_DATE_EPOCH, the date of the build, and METAINFO, Keyfold's AppStream
metadata. The same downloads give the same bytes: no time but the build's, a serial number made
from the content, everything in a fixed order."""
import hashlib, json, os, re, subprocess, sys, time, uuid
import xml.etree.ElementTree as ElementTree
from urllib.parse import quote


def sha256(path):
    with open(path, "rb") as file:
        return [{"alg": "SHA-256", "content": hashlib.file_digest(file, "sha256").hexdigest()}]


def debian_purl(source, version):
    return f"pkg:deb/debian/{source}@{quote(version, safe='')}?arch=source"


def file_component(name, path):
    return {"type": "file", "bom-ref": f"file:{name}", "name": name, "hashes": sha256(path)}


def licence_of_record(copyright_file):
    """The licence of a Debian machine-readable copyright record's "Files: *" paragraph."""
    try:
        with open(copyright_file, encoding="utf-8") as file:
            record = file.read()
    except OSError:
        return []
    if not record.startswith("Format:"):
        return []
    match = re.search(r"^Files: \*\n(?:[^\n]+\n)*?License: ([^\n]+)", record, re.M)
    return [{"license": {"name": match.group(1)}}] if match else []


def keyfold(metainfo, download):
    """Keyfold itself, as the download: name, version, licence and supplier from its metadata."""
    component = ElementTree.parse(metainfo).getroot()
    version = component.find("releases/release").get("version")
    return {
        "type": "application", "bom-ref": "keyfold", "name": component.findtext("name"),
        "version": version, "description": component.findtext("summary"),
        "supplier": {"name": component.findtext("developer/name")},
        "licenses": [{"license": {"id": component.findtext("project_license")}}],
        "hashes": sha256(download),
        "properties": [{"name": "keyfold:download", "value": os.path.basename(download)}],
    }


def attributions(folder):
    """Qt's records of the third-party code it carries, each with the folder it covers and,
    where it names them, its files there."""
    for root, _, names in os.walk(folder):
        if "qt_attribution.json" not in names:
            continue
        with open(os.path.join(root, "qt_attribution.json"), encoding="utf-8") as file:
            entries = json.loads(file.read(), strict=False)
        for entry in entries if isinstance(entries, list) else [entries]:
            place = os.path.normpath(os.path.join(os.path.relpath(root, folder),
                                                  entry.get("Path", "")))
            files = entry.get("Files", [])
            files = files.split() if isinstance(files, str) else files
            yield entry, place, [os.path.normpath(os.path.join(place, name)) for name in files]


def placeholders(text, version):
    return (text.replace("$<VERSION>", version)
            .replace("$<VERSION_DASHED>", version.replace(".", "-")))


def third_party(entry):
    """A component Qt bundles, as its record gives it."""
    version = entry.get("Version", "")
    component = {"type": "library", "bom-ref": f"qt-third-party:{entry['Id']}",
                 "name": entry.get("Name", entry["Id"])}
    if version:
        component["version"] = version
    if entry.get("LicenseId"):
        component["licenses"] = [{"expression": entry["LicenseId"]}]
    copyright = entry.get("Copyright")
    if copyright:
        component["copyright"] = "\n".join(copyright) if isinstance(copyright, list) else copyright
    for key, field in (("PURL", "purl"), ("CPE", "cpe")):
        value = entry.get(key)
        value = value[0] if isinstance(value, list) and value else value
        if value:
            component[field] = placeholders(value, version)
    return component


def windows(download, folder, shipped, plugins=None):
    """Keyfold's files, Qt (its DLLs, and the third-party code they hold, by the sources its
    build recorded for each: what went into it and into what it links to), MinGW-w64's runtime
    and, for the setup program, NSIS."""
    packages, qt_sources, notices = {}, set(), None
    with open(shipped, encoding="utf-8") as file:
        for line in file:
            name, source, version, sources = line.rstrip("\n").split("\t")
            packages.setdefault((source, version), []).append(name)
            if sources != "-":
                notices = os.path.dirname(sources)
                with open(sources, encoding="utf-8") as listing:
                    qt_sources.update(os.path.normpath(path.strip()) for path in listing)
    libraries = {name for names in packages.values() for name in names}
    own = sorted(os.path.relpath(os.path.join(root, name), folder)
                 for root, _, names in os.walk(folder) for name in names)
    components = [file_component(name, os.path.join(folder, name))
                  for name in own if name not in libraries]
    dependencies = []
    if plugins:
        nsis = subprocess.run(["dpkg-query", "-W", "-f=${source:Version}", "nsis"],
                              check=True, capture_output=True, text=True).stdout
        packages[("nsis", nsis)] = []
    for (source, version), names in sorted(packages.items()):
        ref = debian_purl(source, version)
        component = {"type": "library", "bom-ref": ref, "name": source,
                     "version": version, "purl": ref,
                     "components": [file_component(name, os.path.join(folder, name))
                                    for name in sorted(names)]}
        if source == "nsis":
            component["components"] = [file_component(f"$PLUGINSDIR/{name}",
                                                       os.path.join(plugins, name))
                                        for name in sorted(os.listdir(plugins))]
        if source == "qt6-base":
            component.update(name="Qt", version=re.match(r"[0-9.]+", version).group(),
                             type="framework", licenses=licence_of_record(
                                 os.path.join(notices, "copyright")))
            bundled = [third_party(entry)
                       for entry, place, files in attributions(os.path.join(notices, "attributions"))
                       if (qt_sources.intersection(files) if files else
                           any(path.startswith(place + os.sep) for path in qt_sources))]
            components.extend(bundled)
            dependencies.append({"ref": ref,
                                 "dependsOn": sorted(item["bom-ref"] for item in bundled)})
        components.append(component)
    top = sorted(item["bom-ref"] for item in components if item["type"] != "file"
                 and not item["bom-ref"].startswith("qt-third-party:"))
    return components, [{"ref": "keyfold", "dependsOn": top}] + dependencies


def deb(download):
    """The packages the .deb depends on, as it declares them, each with the versions it takes
    (CycloneDX 1.6 has no field for a range of versions: a property gives Debian's relation)."""
    fields = subprocess.run(["dpkg-deb", "-f", download, "Depends", "Recommends", "Architecture"],
                            check=True, capture_output=True, text=True).stdout
    declared = dict(re.findall(r"^([A-Za-z]+): (.*)$", fields, re.M))
    components = []
    for field, scope in (("Depends", "required"), ("Recommends", "optional")):
        for alternatives in filter(None, declared.get(field, "").split(",")):
            for relation in alternatives.split("|"):
                match = re.fullmatch(r"\s*([a-z0-9][a-z0-9+.-]+)(?:\s*\(([<>=]+)\s*([^)]+)\))?\s*",
                                     relation)
                name, operator, version = match.groups()
                component = {"type": "library", "name": name, "scope": scope,
                             "bom-ref": f"pkg:deb/debian/{name}?arch={declared['Architecture']}",
                             "purl": f"pkg:deb/debian/{name}?arch={declared['Architecture']}"}
                if operator:
                    component["properties"] = [{"name": "keyfold:debian-relation",
                                                "value": f"{operator} {version}"}]
                components.append(component)
    return components, [{"ref": "keyfold",
                         "dependsOn": sorted(item["bom-ref"] for item in components)}]


def main(kind, download, *rest):
    components, dependencies = windows(download, *rest) if kind == "windows" else deb(download)
    date = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"])))
    bom = {
        "$schema": "http://cyclonedx.org/schema/bom-1.6.schema.json",
        "bomFormat": "CycloneDX", "specVersion": "1.6", "version": 1,
        "metadata": {"timestamp": date, "component": keyfold(os.environ["METAINFO"], download)},
        "components": sorted(components, key=lambda item: item["bom-ref"]),
        "dependencies": dependencies,
    }
    content = json.dumps(bom, sort_keys=True).encode()
    bom["serialNumber"] = f"urn:uuid:{uuid.uuid5(uuid.NAMESPACE_URL, hashlib.sha256(content).hexdigest())}"
    json.dump(bom, sys.stdout, indent=2, ensure_ascii=False)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main(*sys.argv[1:])
