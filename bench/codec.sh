#!/usr/bin/env bash
# Times norvakcodec on a fixed-length record file of a mixed record (a text,
# a packed decimal, a zoned decimal with an included sign, a binary integer,
# a fixed repeat of texts) beside a GnuCOBOL program compiled with -O2 that
# reads the same file through the generated copybook and DISPLAYs the same
# fields as text, with the peak memory of each run:
#   bench/codec.sh [megabytes]   (default 1024; needs a build in build/ and cobc)
# The file is made by norvakcodec encode of a thousand random records,
# repeated to the size. Each run writes to /dev/null, except decode, whose
# lines encode then reads back. MB/s per core is the file's megabytes over
# the run's CPU seconds (user and system; each program uses one core); the
# ratio is the COBOL program's CPU seconds over the codec run's.
set -euo pipefail
cd "$(dirname "$0")/.."
megabytes=${1:-1024}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
codec=build/bin/norvakcodec

cat > "$work/bench.xml" << 'EOF'
<ZEPImport messageSet="Bench"/>
<CWFTab name="Wire" ident="CWF1"/>
<Element ident="Name" type="string" length="20" physicalType="fixed"/>
<Element ident="Amount" type="decimal" length="5" decimalPoint="2" physicalType="Packed Decimal"/>
<Element ident="Quantity" type="decimal" length="6" physicalType="Extended Decimal" signed="Included Trailing"/>
<Element ident="Id" type="integer" length="4"/>
<Element ident="Item" type="string" length="8" physicalType="fixed"/>
<Type ident="Rec" composition="sequence">
  <Element ref="Name"/>
  <Element ref="Amount"/>
  <Element ref="Quantity"/>
  <Element ref="Id"/>
  <Element ref="Item" repeat="3"/>
</Type>
<Message ident="rec" type="Rec"/>
EOF
source=(-f "$work/bench.xml" -m rec)

# A thousand records, then the file doubled to the size and cut to whole records.
python3 - > "$work/seed.jsonl" << 'EOF'
import json, random
r = random.Random(7)
word = lambda n: "".join(r.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789") for _ in range(r.randint(0, n))).strip()
for _ in range(1000):
    print(json.dumps({"Name": word(20), "Amount": "%d.%02d" % (r.randint(-9999999, 9999999), r.randint(0, 99)),
                      "Quantity": str(r.randint(-999999, 999999)), "Id": r.randint(-2**31, 2**31 - 1),
                      "Item": [word(8) for _ in range(3)]}))
EOF
"$codec" encode "${source[@]}" -q -o "$work/seed.bin" "$work/seed.jsonl"
record=$(($(stat -c %s "$work/seed.bin") / 1000))
bytes=$((megabytes * 1024 * 1024 / record * record))
cp "$work/seed.bin" "$work/records.bin"
while [ "$(stat -c %s "$work/records.bin")" -lt "$bytes" ]; do
  cat "$work/records.bin" "$work/records.bin" > "$work/twice.bin"
  mv "$work/twice.bin" "$work/records.bin"
done
truncate -s "$bytes" "$work/records.bin"

# The COBOL program: the generated copybook, one DISPLAY of every field a record.
build/bin/norvakgen "${source[@]}" --target copybook -o "$work/rec.cpy" > /dev/null 2>&1
names=$(build/bin/norvakgen "${source[@]}" --target copybook --format json 2> /dev/null |
  python3 -c 'import json, sys
book = json.load(sys.stdin)["copybooks"][0]
print(book["record"], *[field["name"] for field in book["fields"]])')
read -r rec name amount quantity id item <<< "$names"
cat > "$work/show.cob" << EOF
       IDENTIFICATION DIVISION.
       PROGRAM-ID. SHOW.
       ENVIRONMENT DIVISION.
       INPUT-OUTPUT SECTION.
       FILE-CONTROL.
           SELECT IN-FILE ASSIGN TO "$work/records.bin"
               ORGANIZATION IS SEQUENTIAL.
       DATA DIVISION.
       FILE SECTION.
       FD IN-FILE.
       01 IN-REC PIC X($record).
       WORKING-STORAGE SECTION.
       COPY "rec.cpy".
       01 AT-END PIC X VALUE "N".
       PROCEDURE DIVISION.
           OPEN INPUT IN-FILE
           PERFORM UNTIL AT-END = "Y"
               READ IN-FILE INTO $rec
                   AT END MOVE "Y" TO AT-END
                   NOT AT END
                       DISPLAY $name " "
                           $amount " "
                           $quantity " "
                           $id " "
                           $item (1) " "
                           $item (2) " "
                           $item (3)
               END-READ
           END-PERFORM
           CLOSE IN-FILE
           STOP RUN.
EOF
(cd "$work" && cobc -x -O2 -o show show.cob)

measure() { # label, output, command...: MB/s per core, CPU seconds, peak memory
  local label=$1 output=$2
  shift 2
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" > "$output" 2> "$work/err" || {
    cat "$work/err" >&2
    exit 1
  }
  read -r seconds user system kib < <(tail -1 "$work/time")
  cpu=$(echo "$user + $system" | bc)
  printf '| %-16s | %9s | %9s | %9s | %9s |' "$label" "$seconds" "$cpu" \
    "$(echo "scale=1; $bytes / 1048576 / ($cpu + 0.001)" | bc)" "$((kib / 1024))"
  echo "$cpu" > "$work/cpu.$label"
}
ratio() { echo "scale=2; $(cat "$work/cpu.cobol") / ($(cat "$work/cpu.$1") + 0.001)" | bc; }

printf '| %-16s | %9s | %9s | %9s | %9s | %s\n' "run ($((bytes / 1048576)) MB)" "s" "CPU s" "MB/s/core" \
  "peak MiB" "COBOL CPU / this"
printf '|------------------|----------:|----------:|----------:|----------:|------:|\n'
measure cobol /dev/null "$work/show"
printf ' %5s |\n' "1"
measure decode "$work/records.jsonl" "$codec" decode "${source[@]}" -q "$work/records.bin"
printf ' %5s |\n' "$(ratio decode)"
measure encode /dev/null "$codec" encode "${source[@]}" -q -o - "$work/records.jsonl"
printf ' %5s |\n' "$(ratio encode)"
