#!/usr/bin/env python3
"""Validates JSON documents of the programs against their published schemas.

Usage: validate-json.py SCHEMA_DIR [FILE ...]
Each FILE (standard input without one) holds one document; its "program"
member names the schema (SCHEMA_DIR/PROGRAM.schema.json), which may refer to
the other schemas of the folder by their file names. Prints each fault and
ends with 1 when a document does not validate, 2 when it is not JSON or
names no known program.
"""
import json
import pathlib
import sys

import jsonschema
from referencing import Registry, Resource


def main():
    folder = pathlib.Path(sys.argv[1])
    schemas = {path.name: json.loads(path.read_text()) for path in folder.glob("*.schema.json")}
    registry = Registry().with_resources(
        (name, Resource.from_contents(schema)) for name, schema in schemas.items())
    for schema in schemas.values():
        jsonschema.Draft202012Validator.check_schema(schema)
    sources = sys.argv[2:] or ["-"]
    worst = 0
    for source in sources:
        text = sys.stdin.read() if source == "-" else pathlib.Path(source).read_text()
        try:
            document = json.loads(text)
        except ValueError as fault:
            print(f"{source}: not JSON: {fault}")
            worst = max(worst, 2)
            continue
        name = f"{document.get('program')}.schema.json" if isinstance(document, dict) else None
        if name not in schemas:
            print(f"{source}: no schema for program {document.get('program') if isinstance(document, dict) else None}")
            worst = max(worst, 2)
            continue
        validator = jsonschema.Draft202012Validator(schemas[name], registry=registry)
        for error in sorted(validator.iter_errors(document), key=lambda e: list(e.absolute_path)):
            place = "/".join(str(part) for part in error.absolute_path)
            print(f"{source}: {name} at /{place}: {error.message}")
            worst = max(worst, 1)
    return worst


if __name__ == "__main__":
    sys.exit(main())
