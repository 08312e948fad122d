#!/usr/bin/env python3
"""Writes random documents of a message's JSON Schema, or validates lines against it.

Usage: schema-documents.py make SCHEMA LAYOUT COUNT SEED
       schema-documents.py check SCHEMA [FILE]
`make` writes COUNT JSON lines the schema takes, one member of each choice,
every member of a sequence, without the count and length fields the layout
(norvakgen --target layout --format json) names, which encode writes from
what they count; a binary field gets as many bytes as the layout gives it.
`check` validates each line of FILE (standard input without one) with one
Draft 2020-12 validator, prints each fault with its line number and ends
with 1 when a line does not validate.
"""
import base64
import json
import random
import re
import sys

import jsonschema


def layout_fields(fields, found):
    for field in fields:
        found.setdefault(field["name"], field)
        layout_fields(field.get("members", []), found)
    return found


class Maker:
    def __init__(self, schema, layout, seed):
        self.schema = schema
        self.random = random.Random(seed)
        fields = {}
        for message in layout["layouts"]:
            layout_fields(message["fields"], fields)
        self.fields = fields
        self.counters = set()
        for field in fields.values():
            for reference in (field.get("repeatReference"), field.get("lengthReference")):
                if reference:
                    self.counters.add(reference.split(".")[-1])

    def resolve(self, schema):
        while "$ref" in schema:
            schema = self.schema["$defs"][schema["$ref"].split("/")[-1].replace("~1", "/").replace("~0", "~")]
        return schema

    def value(self, schema, key):
        schema = self.resolve(schema)
        if "enum" in schema:
            return self.random.choice(schema["enum"])
        kind = schema.get("type")
        if kind == "object":
            return self.object(schema)
        if kind == "array":
            least = schema.get("minItems", 0)
            most = min(schema.get("maxItems", least + 3), least + 3)
            return [self.value(schema["items"], key) for _ in range(self.random.randint(least, most))]
        if kind == "integer":
            least = max(schema.get("minimum", -1000), -1000)
            return self.random.randint(least, max(least, min(schema.get("maximum", 1000), 1000)))
        if kind == "number":
            return self.random.choice([0.0, 1.5, -2.25, 1024.125])
        if kind == "boolean":
            return self.random.choice([True, False])
        return self.string(schema, key)

    def string(self, schema, key):
        if schema.get("format") == "date-time":
            return "20%02d-%02d-%02dT%02d:%02d:%02dZ" % (
                self.random.randint(0, 30), self.random.randint(1, 12), self.random.randint(1, 28),
                self.random.randint(0, 23), self.random.randint(0, 59), self.random.randint(0, 59))
        if schema.get("contentEncoding") == "base64":
            field = self.fields.get(key, {})
            size = field.get("length") or self.random.randint(0, 6)
            return base64.b64encode(bytes(self.random.randrange(256) for _ in range(size))).decode()
        if "pattern" in schema:
            return self.decimal(schema["pattern"])
        least = schema.get("minLength", 0)
        most = max(least, min(schema.get("maxLength", 8), 8))
        size = self.random.randint(least, most)
        return "".join(self.random.choice("ABCXYZ019 ") for _ in range(size)).strip().rjust(least, "A")

    def decimal(self, pattern):
        signed = pattern.startswith("^[+-]?")
        body = pattern[len("^[+-]?") if signed else len("^\\+?"):]
        whole = re.match(r"\[0-9\]\{1,(\d+)\}", body)
        fraction = re.search(r"\\\.\[0-9\]\{1,(\d+)\}", body)
        text = str(self.random.randrange(10 ** min(int(whole.group(1)), 9))) if whole else "0"
        if fraction:
            text += "." + "".join(self.random.choice("0123456789") for _ in range(int(fraction.group(1))))
        return ("-" if signed and self.random.random() < 0.5 else "") + text

    def object(self, schema):
        properties = schema.get("properties", {})
        keys = list(properties)
        if schema.get("maxProperties") == 1 and keys:
            keys = [self.random.choice(keys)]
        return {key: self.value(properties[key], key) for key in keys if key not in self.counters}


def main():
    schema = json.load(open(sys.argv[2]))
    if sys.argv[1] == "make":
        maker = Maker(schema, json.load(open(sys.argv[3])), int(sys.argv[5]))
        for _ in range(int(sys.argv[4])):
            print(json.dumps(maker.value(schema, "")))
        return 0
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    lines = (open(sys.argv[3]) if len(sys.argv) > 3 else sys.stdin).read().splitlines()
    worst = 0
    for number, line in enumerate(lines, 1):
        for error in validator.iter_errors(json.loads(line)):
            place = "/".join(str(part) for part in error.absolute_path)
            print(f"line {number} at /{place}: {error.message}")
            worst = 1
    return worst


if __name__ == "__main__":
    sys.exit(main())
