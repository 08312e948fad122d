# Sample documents made from norvakgen's layouts and schemas, validated by jsonschema and xmllint, with one fault each.
"""Makes and checks sample documents of every message of the sets a manifest names.

The manifest (argv[1]) is a JSON list of sets: {"name", "folder", "jsonSchema",
"layouts" (or null), "xsd" (or null)}, file names in "folder". For each message:

- a JSON document of its logical content: its members as the JSON Schema
  shapes them (every property of a sequence, one alternative of a choice, the
  first that holds members where one does, the least number of items of an
  array but one at least); each field's value is made from its layout field
  where the set has a CWF tab: a text of all the characters of a Fixed Length
  field, a decimal of all the digits of a packed or zoned field, an integer at
  the top of its binary or zoned range, kept within the values the set gives
  (the first enumeration value, the least and most value);
- an XML document as the XML Schema says the XML tab writes it: the root tag,
  elements in sequence with their least occurrences (one at least), every
  attribute, values by each simple type's base and facets, the lengths and
  digits taken from the layout field of the type's element where the message
  has one;
- a copy of each document with one fault: a text over its most length, else a
  required member (or attribute) left out, which the validator must refuse.

An enumeration none of whose values is within its most length allows no
document at all: it is set aside, said as a FINDING, and the field takes a
text of its length. The script prints one line per set, the findings and a
line per PROBLEM, and exits 1 if there is a problem. The JSON documents are
checked in this process, the XML ones by one xmllint run per XML Schema.
"""

import copy
import json
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

import jsonschema

XS = "{http://www.w3.org/2001/XMLSchema}"


# ---- values made from a layout field -------------------------------------------------------------

def layout_fields(layouts):
    """Every layout field by message and path."""
    found = {}

    def walk(message, fields):
        for field in fields:
            found[(message, field["path"])] = field
            walk(message, field["members"])

    for layout in layouts or []:
        walk(layout["message"], layout["fields"])
    return found, {layout["message"]: layout for layout in layouts or []}


def digits_of(field):
    """The digits and the digits after the point a packed or zoned field holds, or None."""
    physical, length = field.get("physicalType"), field.get("length")
    if length is None:
        return None
    if physical == "Packed Decimal":
        digits = 2 * length - 1
    elif physical == "Extended Decimal":
        digits = length - (1 if (field.get("sign") or "").startswith("Separate") else 0)
    else:
        return None
    try:
        point = int(field.get("decimalPoint") or 0)
    except ValueError:
        return None
    if point < 0 or point > digits:
        return None
    return digits, point


def integer_top(field):
    """The largest integer the field holds, or None."""
    physical, length = field.get("physicalType"), field.get("length")
    if physical == "Integer" and length in (1, 2, 4, 8):
        return 2 ** (8 * length - 1) - 1
    held = digits_of(field)
    if held is None or held[1] != 0:
        return None
    return 10 ** held[0] - 1


def text_characters(field, layout):
    """The characters of a Fixed Length field, or None."""
    if field.get("physicalType") != "Fixed Length" or not field.get("length"):
        return None
    per = layout.get("bytesPerCharacter") if layout else None
    return field["length"] // per if per else None


# ---- the JSON document -------------------------------------------------------------------------------

def resolve(schema, node):
    while "$ref" in node:
        node = schema["$defs"][node["$ref"].split("/")[-1]]
    return node


def clamp(value, node):
    if "minimum" in node and value < node["minimum"]:
        value = node["minimum"]
    if "maximum" in node and value > node["maximum"]:
        value = node["maximum"]
    return value


def json_text(node, characters):
    """All the characters of a Fixed Length field; else a short text within the schema's lengths."""
    if characters is None:
        characters = max(node.get("minLength", 0), min(3, node.get("maxLength", 3)))
    return ("Sample" * (characters // 6 + 1))[:characters]


def json_decimal(field):
    """All the digits of a packed or zoned field; a short decimal for any other."""
    held = digits_of(field) if field else None
    if held is None:
        return "12"
    whole, point = held[0] - held[1], held[1]
    text = "9" * max(whole, 1) + ("." + "9" * point if point else "")
    return text if whole > 0 else "0" + text[1:] if point else "0"


def json_leaf(node, field, layout):
    """A value of a field, from its layout field where there is one, within the values the schema gives."""
    if "enum" in node:
        return node["enum"][0]
    kind = node.get("type")
    if kind == "integer":
        top = integer_top(field) if field else None
        return clamp(top if top is not None else 7, node)
    if kind == "number":
        return clamp(1.5, node)
    if kind == "boolean":
        return True
    if node.get("format") == "date-time":
        return "2026-01-02T03:04:05Z"
    if node.get("contentEncoding") == "base64":
        return "AAEC"
    if "pattern" in node:
        return json_decimal(field)
    return json_text(node, text_characters(field, layout) if field else None)


class JsonMaker:
    def __init__(self, schema, message, fields, layout):
        self.schema, self.message, self.fields, self.layout = schema, message, fields, layout
        self.unmatched = []

    def value(self, node, path, depth):
        node = resolve(self.schema, node)
        if node.get("type") == "array":
            count = max(node.get("minItems", 0), 1 if node.get("maxItems", 1) >= 1 else 0)
            return [self.value(node["items"], path, depth) for _ in range(count)]
        if node.get("type") == "object":
            return self.object(node, path, depth)
        field = self.fields.get((self.message, path)) if self.fields else None
        if self.fields and field is None:
            self.unmatched.append(path)
        return json_leaf(node, field, self.layout)

    def holds_members(self, node):
        node = resolve(self.schema, node)
        return node.get("type") == "object" or (
            node.get("type") == "array" and resolve(self.schema, node["items"]).get("type") == "object")

    def object(self, node, path, depth):
        names = list(node.get("properties", {}))
        if node.get("maxProperties") == 1:
            # A choice: one alternative, the first that holds members where one does.
            holding = [name for name in names if self.holds_members(node["properties"][name])]
            names = (holding or names)[:1]
        elif depth > 6:
            names = [name for name in names if name in node.get("required", [])]
        result = {}
        for name in names:
            result[name] = self.value(node["properties"][name], path + "." + name if path else name, depth + 1)
        return result


def json_fault(schema, document, root):
    """The document with one fault: a text over its most length, else a required member left out."""
    def over(node, value):
        node = resolve(schema, node)
        if node.get("type") == "array" and isinstance(value, list):
            return any(over(node["items"], item) for item in value[:1])
        if node.get("type") == "object" and isinstance(value, dict):
            for name in list(value):
                inner = resolve(schema, node["properties"][name])
                if inner.get("type") == "string" and "maxLength" in inner and "enum" not in inner:
                    value[name] = "x" * (inner["maxLength"] + 1)
                    return True
                if over(inner, value[name]):
                    return True
        return False

    faulty = copy.deepcopy(document)
    if over(root, faulty):
        return faulty, "a text over its most length"
    node = resolve(schema, root)
    for name in node.get("required", []) if node.get("maxProperties") != 1 else list(faulty):
        if name in faulty:
            del faulty[name]  # a required member, or the one alternative of a choice
            return faulty, "required member " + name + " left out"
    return None, None


def unholdable(values, most):
    """Whether no value of an enumeration is within the most length of its field."""
    return bool(values) and all(isinstance(value, str) and len(value) > most for value in values)


def set_aside_json(node, found):
    """Drops the enumerations none of whose values the field can hold (the set allows no document with
    them), naming each such field's schema in `found`."""
    if isinstance(node, dict):
        if "enum" in node and "maxLength" in node and unholdable(node["enum"], node["maxLength"]):
            found.add(json.dumps(node["enum"]) + " over " + str(node["maxLength"]))
            del node["enum"]
        for value in node.values():
            set_aside_json(value, found)
    elif isinstance(node, list):
        for value in node:
            set_aside_json(value, found)


def json_sample(schema, root, maker):
    """The sample of one message and the first reason its message's schema refuses it, if it does."""
    document = maker.value(root, "", 0)
    own = jsonschema.Draft202012Validator({"$defs": schema["$defs"], **root})
    error = jsonschema.exceptions.best_match(own.iter_errors(document))
    if error is not None:
        return document, f"{error.message[:300]} at {list(error.absolute_path)}"
    if not jsonschema.Draft202012Validator(schema).is_valid(document):
        return document, "the schema of all the messages refuses it"
    return document, None


def check_json(entry, problems, findings):
    folder = entry["folder"]
    with open(os.path.join(folder, entry["jsonSchema"]), encoding="utf-8") as handle:
        schema = json.load(handle)
    jsonschema.Draft202012Validator.check_schema(schema)
    aside = set()
    set_aside_json(schema, aside)
    findings.extend(f"{entry['name']}: JSON Schema: no value of {item}" for item in sorted(aside))
    validator = jsonschema.Draft202012Validator(schema)
    layouts = None
    if entry.get("layouts"):
        with open(os.path.join(folder, entry["layouts"]), encoding="utf-8") as handle:
            layouts = json.load(handle)["layouts"]
    fields, by_message = layout_fields(layouts)
    roots = schema.get("anyOf", [{"$ref": schema["$ref"]}] if "$ref" in schema else [])
    messages = [layout["message"] for layout in layouts] if layouts else [None] * len(roots)
    if layouts and len(layouts) != len(roots):
        problems.append(f"{entry['name']}: {len(layouts)} layouts, {len(roots)} messages in the JSON Schema")
    counts = {"json": 0, "jsonFaults": 0}
    for root, message in zip(roots, messages):
        maker = JsonMaker(schema, message, fields if message in by_message else None, by_message.get(message))
        document, refused = json_sample(schema, root, maker)
        if maker.unmatched:
            problems.append(f"{entry['name']} {message}: no layout field at {', '.join(maker.unmatched[:5])}")
        if refused:
            problems.append(f"{entry['name']} {message}: the JSON sample is refused: {refused}\n"
                            f"{json.dumps(document)[:2000]}")
        counts["json"] += 1
        faulty, fault = json_fault(schema, document, root)
        if faulty is None:
            continue
        if validator.is_valid(faulty):
            problems.append(f"{entry['name']} {message}: a JSON sample with {fault} validates")
        counts["jsonFaults"] += 1
    return counts


# ---- the XML document --------------------------------------------------------------------------------

SIMPLE_VALUES = {
    "string": "Sample", "normalizedString": "Sample", "token": "Sample", "NCName": "Sample", "Name": "Sample",
    "ID": "s1", "IDREF": "s1", "NMTOKEN": "Sample", "anyURI": "a", "language": "en",
    "integer": "7", "int": "7", "long": "7", "short": "7", "byte": "7", "decimal": "12",
    "nonNegativeInteger": "7", "positiveInteger": "7", "unsignedInt": "7", "unsignedShort": "7",
    "unsignedByte": "7", "unsignedLong": "7", "float": "1.5", "double": "1.5", "boolean": "true",
    "dateTime": "2026-01-02T03:04:05", "date": "2026-01-02", "time": "03:04:05", "gYear": "2026",
    "gYearMonth": "2026-01", "gMonthDay": "--01-02", "gDay": "---02", "gMonth": "--01", "duration": "P1D",
    "base64Binary": "AAEC", "hexBinary": "0A0B",
}


def local(name):
    return name.split(":")[-1] if name else name


class XmlMaker:
    def __init__(self, tree):
        root = tree.getroot()
        self.elements = {item.get("name"): item for item in root.findall(XS + "element")}
        self.complex = {item.get("name"): item for item in root.findall(XS + "complexType")}
        self.simple = {item.get("name"): item for item in root.findall(XS + "simpleType")}
        self.start()

    def start(self, layout=None):
        self.layout = layout
        self.fields = {}  # the message's layout fields by name
        for field in layout_fields([layout] if layout else None)[0].values():
            self.fields.setdefault(field["name"], []).append(field)
        self.over = None  # (element, attribute name or None, text over its most length)
        self.required = None  # (parent, child): a member that must occur
        self.required_attribute = None  # (element, attribute name)

    def facets(self, type_name):
        """The base and facets of a named simple type, or of a built-in one."""
        name = local(type_name)
        if type_name and not type_name.startswith("xs:") and name in self.simple:
            restriction = self.simple[name].find(XS + "restriction")
            base, facets = self.facets(restriction.get("base"))
            for facet in restriction:
                tag = facet.tag.replace(XS, "")
                if tag == "enumeration":
                    facets.setdefault("enumeration", []).append(facet.get("value"))
                else:
                    facets[tag] = facet.get("value")
            return base, facets
        return name or "string", {}

    def simple_value(self, type_name, made, attribute=None):
        """A value of the simple type; a text over its most length is kept for the faulty document."""
        base, facets = self.facets(type_name)
        if "enumeration" in facets:
            return facets["enumeration"][0]
        if base in ("integer", "decimal") and "maxInclusive" in facets:
            return facets["maxInclusive"]
        field = self.field_of(type_name)
        held = digits_of(field) if field else None
        if base == "decimal" and held is not None:
            facets = {**facets, "totalDigits": held[0], "fractionDigits": held[1]}
        if base == "decimal" and "totalDigits" in facets:
            total, fraction = int(facets["totalDigits"]), int(facets.get("fractionDigits", 0))
            whole = total - fraction
            return ("9" * whole if whole else "0") + ("." + "9" * fraction if fraction else "")
        characters = text_characters(field, self.layout) if field and base == "string" else None
        if "maxLength" in facets or characters is not None:
            count = characters if characters is not None else max(int(facets.get("minLength", 0)),
                                                                 int(facets["maxLength"]))
            if self.over is None and "maxLength" in facets:
                self.over = (made, attribute, "x" * (int(facets["maxLength"]) + 1))
            return ("Sample" * (count // 6 + 1))[:count]
        value = SIMPLE_VALUES.get(base, "Sample")
        return ("Sample" * 10)[: max(len(value), int(facets.get("minLength", 0)))] if "minLength" in facets else value

    def field_of(self, type_name):
        """The layout field of the element whose simple type this is, where the message has one field of
        that name or all of them alike."""
        if not type_name or not type_name.endswith("_value"):
            return None
        fields = self.fields.get(type_name[: -len("_value")], [])
        alike = {(field.get("physicalType"), field.get("length"), field.get("sign"), field.get("decimalPoint"))
                 for field in fields}
        return fields[0] if len(alike) == 1 else None

    def attributes(self, holder, made):
        for attribute in holder.findall(XS + "attribute"):
            name = attribute.get("name")
            fixed = attribute.get("fixed")
            made.set(name, fixed if fixed is not None else self.simple_value(attribute.get("type"), made, name))
            if attribute.get("use") == "required" and self.required_attribute is None:
                self.required_attribute = (made, name)

    def particle(self, particle, parent, depth, in_choice=False):
        tag = particle.tag.replace(XS, "")
        if tag == "element":
            least = int(particle.get("minOccurs", "1"))
            if least == 0 and (depth > 6 or particle.get("maxOccurs") == "0"):
                return
            for _ in range(max(least, 1)):
                made = self.element(particle, parent, depth)
                if least >= 1 and not in_choice and self.required is None:
                    self.required = (parent, made)
        elif tag == "choice":
            # One alternative, the first that holds members where one does.
            alternatives = [child for child in particle if child.tag != XS + "annotation"]
            holding = [child for child in alternatives if self.holds_members(child)]
            if alternatives:
                chosen = (holding or alternatives)[0]
                # Left out, the alternative is missed only if no alternative may occur no times.
                required = particle.get("minOccurs", "1") != "0" and all(
                    child.tag == XS + "element" and child.get("minOccurs", "1") != "0" for child in alternatives)
                self.particle(chosen, parent, depth, in_choice or not required)
        elif tag in ("sequence", "all"):
            for child in particle:
                self.particle(child, parent, depth, in_choice)

    def holds_members(self, particle):
        if particle.tag != XS + "element":
            return True
        type_name = particle.get("type") or ""
        return particle.find(XS + "complexType") is not None or (
            not type_name.startswith("xs:") and local(type_name) in self.complex)

    def content(self, complex_type, made, depth):
        simple = complex_type.find(XS + "simpleContent")
        if simple is not None:
            extension = simple.find(XS + "extension")
            made.text = self.simple_value(extension.get("base"), made)
            self.attributes(extension, made)
            return
        for child in complex_type:
            if child.tag in (XS + "sequence", XS + "choice", XS + "all"):
                self.particle(child, made, depth + 1)
        self.attributes(complex_type, made)

    def element(self, declaration, parent, depth):
        if declaration.get("ref"):
            declaration = self.elements[local(declaration.get("ref"))]
        name = declaration.get("name")
        made = ET.SubElement(parent, name) if parent is not None else ET.Element(name)
        type_name = declaration.get("type")
        inline = declaration.find(XS + "complexType")
        if inline is not None:
            self.content(inline, made, depth)
        elif type_name and local(type_name) in self.complex and not type_name.startswith("xs:"):
            self.content(self.complex[local(type_name)], made, depth)
        else:
            made.text = self.simple_value(type_name, made)
        return made

    def faulty(self, root):
        """A copy of the document with a text over its most length, else a required member left out."""
        # Attributes keep no order that counts, so putting one back leaves the document as it was.
        if self.over is not None:
            made, attribute, text = self.over
            saved = made.get(attribute) if attribute else made.text
            if attribute:
                made.set(attribute, text)
            else:
                made.text = text
            faulty = copy.deepcopy(root)
            if attribute:
                made.set(attribute, saved)
            else:
                made.text = saved
            return faulty, "a text over its most length"
        if self.required is not None:
            parent, child = self.required
            place = list(parent).index(child)
            parent.remove(child)
            faulty = copy.deepcopy(root)
            parent.insert(place, child)
            return faulty, f"required member {child.tag} left out"
        if self.required_attribute is not None:
            made, name = self.required_attribute
            saved = made.attrib.pop(name)
            faulty = copy.deepcopy(root)
            made.set(name, saved)
            return faulty, f"required attribute {name} left out"
        return None, None


def set_aside_xml(tree):
    """Drops the enumerations none of whose values the type's most length holds; their types' names."""
    found = []
    for simple in tree.getroot().findall(XS + "simpleType"):
        restriction = simple.find(XS + "restriction")
        most = restriction.find(XS + "maxLength") if restriction is not None else None
        values = restriction.findall(XS + "enumeration") if restriction is not None else []
        if most is not None and unholdable([value.get("value") for value in values], int(most.get("value"))):
            found.append(simple.get("name"))
            for value in values:
                restriction.remove(value)
    return found


def xml_documents(tree, layouts):
    """Per message the XML Schema holds: its name, its sample, and a faulty copy and what is wrong with it."""
    maker = XmlMaker(tree)
    by_message = {layout["message"]: layout for layout in layouts or []}
    documents = []
    for name, declaration in maker.elements.items():
        inline = declaration.find(XS + "complexType")
        choice = inline.find(XS + "choice") if inline is not None else None
        alternatives = [child for child in choice if child.tag == XS + "element"] if choice is not None else []
        if alternatives and len(maker.elements) == 1:
            for alternative in alternatives:  # the root tag holding one of the messages
                maker.start(by_message.get(alternative.get("name")))
                root = ET.Element(name)
                maker.element(alternative, root, 0)
                documents.append((alternative.get("name"), root, *maker.faulty(root)))
        else:
            maker.start(by_message.get(name))
            root = maker.element(declaration, None, 0)
            documents.append((name, root, *maker.faulty(root)))
    return documents


def check_xml(entry, problems, findings):
    folder = entry["folder"]
    ET.register_namespace("xs", XS[1:-1])
    tree = ET.parse(os.path.join(folder, entry["xsd"]))
    aside = set_aside_xml(tree)
    findings.extend(f"{entry['name']}: XML Schema: no value of {name}" for name in aside)
    schema = entry["xsd"] + ".checked.xsd"
    tree.write(os.path.join(folder, schema), encoding="utf-8", xml_declaration=True)
    files = {}
    layouts = None
    if entry.get("layouts"):
        with open(os.path.join(folder, entry["layouts"]), encoding="utf-8") as handle:
            layouts = json.load(handle)["layouts"]
    for index, (message, root, faulty, what) in enumerate(xml_documents(tree, layouts)):
        name = f"{entry['xsd']}.{index}.xml"
        ET.ElementTree(root).write(os.path.join(folder, name), encoding="utf-8", xml_declaration=True)
        files[name] = (message, None)
        if faulty is not None:
            ET.ElementTree(faulty).write(os.path.join(folder, name + ".fault"), encoding="utf-8",
                                         xml_declaration=True)
            files[name + ".fault"] = (message, what)
    said = subprocess.run(["xmllint", "--noout", "--schema", schema, *files], cwd=folder, capture_output=True,
                          text=True, check=False).stderr
    if "failed to compile" in said or "parser error" in said:
        problems.append(f"{entry['name']}: the XML Schema does not compile\n{said[:2000]}")
        return {"xml": 0, "xmlFaults": 0}
    counts = {"xml": 0, "xmlFaults": 0}
    for name, (message, fault) in files.items():
        validates = f"{name} validates" in said
        if fault is None and not validates:
            refusals = [line for line in said.splitlines() if line.startswith(name + ":")]
            with open(os.path.join(folder, name), encoding="utf-8") as handle:
                text = handle.read()[:2000]
            problems.append(f"{entry['name']} {message}: the XML sample is refused: {' | '.join(refusals[:3])}\n"
                            f"{text}")
        elif fault is not None and validates:
            problems.append(f"{entry['name']} {message}: an XML sample with {fault} validates")
        counts["xml" if fault is None else "xmlFaults"] += 1
    return counts


def main():
    with open(sys.argv[1], encoding="utf-8") as handle:
        manifest = json.load(handle)
    problems, findings = [], []
    for entry in manifest:
        counts = check_json(entry, problems, findings)
        if entry.get("xsd"):
            counts.update(check_xml(entry, problems, findings))
        print(entry["name"] + ": " + ", ".join(f"{key} {value}" for key, value in counts.items()))
    for finding in findings:
        print("FINDING " + finding)
    for problem in problems:
        print("PROBLEM " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
