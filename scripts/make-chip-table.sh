#!/usr/bin/env bash
# Makes src/isp/avr_signatures.inc, the names of the ATmega parts of families 0x92 to
# 0x95 by their signature bytes, from the part list of Debian's avrdude package
# (/etc/avrdude.conf, data only: the tool runs none of avrdude). Run it when a newer
# avrdude lists more parts; the table is committed, so building needs no avrdude.
set -euo pipefail
cd "$(dirname "$0")/.."
conf=/etc/avrdude.conf
[ -r "$conf" ] || scripts/install-deps.sh avrdude
version=$(dpkg-query -W -f='${Version}' avrdude)
python3 - "$conf" "$version" >src/isp/avr_signatures.inc <<'PY'
import re, sys
conf, version = sys.argv[1], sys.argv[2]
text = open(conf, encoding="utf-8", errors="replace").read()
parts = {}
# A part: 'part ... desc = "ATmega8"; ... signature = 0x1e 0x93 0x07;' up to its ';' line.
for block in re.split(r"\n\s*part\b", text)[1:]:
    desc = re.search(r'\bdesc\s*=\s*"([^"]+)"', block)
    sig = re.search(r"\bsignature\s*=\s*0x([0-9a-fA-F]{2})\s+0x([0-9a-fA-F]{2})\s+0x([0-9a-fA-F]{2})", block)
    if not desc or not sig:
        continue
    name = desc.group(1)
    b = tuple(int(x, 16) for x in sig.groups())
    if b[0] != 0x1E or not 0x92 <= b[1] <= 0x95 or not name.startswith("ATmega"):
        continue
    parts.setdefault(b, [])
    if name not in parts[b]:
        parts[b].append(name)
print("// Made by scripts/make-chip-table.sh from /etc/avrdude.conf of Debian's avrdude " + version + ":")
print("// vendor 0x1E (Atmel), part family, part number, and the names listed for them.")
for b in sorted(parts):
    print('{0x%02X, 0x%02X, 0x%02X, "%s"},' % (b[0], b[1], b[2], " / ".join(parts[b])))
PY
echo "make-chip-table: $(grep -c '^{' src/isp/avr_signatures.inc) signatures from avrdude $version"
