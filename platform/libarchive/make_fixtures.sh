#!/usr/bin/env bash
# Makes the archive fixtures of the CAB, RAR and LHA tests with real native tools, before the
# tests run under Wine (CTest runs this as the fixture test "archive_fixtures"):
#   src/        the original files
#   cab/        gcab cabinets (stored, MSZIP, a Chinese name), checked with cabextract; damaged and
#               hostile ones; libarchive's LZX fixture (platform/jqcab/testdata) with bsdtar's output
#   lha/        jlha archives (-lh0-, -lh5-, -lh6-, -lh7-, header levels 0 to 2), checked with
#               lhasa; damaged ones, and a hostile one written here byte by byte
#   rar/        libarchive's own RAR fixtures (platform/jqrar/testdata), with what bsdtar
#               extracts from each under expected/<archive>/; damaged ones
# Usage: make_fixtures.sh <output folder>
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
platform=$(dirname "$here")
for tool in gcab cabextract jlha lhasa bsdtar python3; do
  command -v "$tool" >/dev/null || { echo "make_fixtures: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out"/{src/dir/sub,cab,lha,rar/expected}
export TZ=UTC

python3 - "$out/src" <<'PY'
import random, sys, os
root = sys.argv[1]
open(os.path.join(root, 'hello.txt'), 'wb').write(b'hello from the archive tests\r\n')
open(os.path.join(root, 'empty.txt'), 'wb').write(b'')
rng = random.Random(20260610)
words = ['archive', 'folder', 'cabinet', 'header', 'quorvanel', 'extract', 'window', 'pane', 'record', 'stream']
text = []
for i in range(30000):
    text.append(rng.choice(words))
    if i % 12 == 11: text.append('\r\n')
open(os.path.join(root, 'dir', 'text.txt'), 'wb').write(' '.join(text).encode())
open(os.path.join(root, 'dir', 'sub', 'data.bin'), 'wb').write(bytes(rng.getrandbits(8) for _ in range(70000)))
PY
files=(hello.txt empty.txt dir/text.txt dir/sub/data.bin)

# Cabinets.
( cd "$out/src" && gcab -c "$out/cab/stored.cab" "${files[@]}" && gcab -c -z "$out/cab/mszip.cab" "${files[@]}" )
cabextract -q -t "$out/cab/stored.cab" >/dev/null
cabextract -q -t "$out/cab/mszip.cab" >/dev/null
printf 'this is not a cabinet\r\n' > "$out/cab/notcab.cab"
# LZX (libarchive's own fixture; no Debian tool writes LZX), and what bsdtar makes of it.
cp "$platform/jqcab/testdata/lzx.cab" "$out/cab/lzx.cab"
cabextract -q -t "$out/cab/lzx.cab" >/dev/null
mkdir -p "$out/cab/expected/lzx"
bsdtar -xf "$out/cab/lzx.cab" -C "$out/cab/expected/lzx"
# A name in Chinese whose Big5 form holds 0x5C ("\") trail bytes.
mkdir -p "$out/src-cn"
printf 'chinese name\r\n' > "$out/src-cn/$(printf '\xe8\xa8\xb1\xe5\x8a\x9f\xe8\x93\x8b').txt"
( cd "$out/src-cn" && gcab -c -z "$out/cab/chinese.cab" *.txt )
# Hostile names: gcab stores placeholders of the same length, then the names are put in place.
mkdir -p "$out/hostile"
python3 - "$out" <<'PY'
import os, subprocess, sys
out = sys.argv[1]
names = [b'..\\..\\evil1.txt', b'/etc/evil2.txt', b'C:\\evil3.txt', b'con.txt', b'ab:c.txt',
         b'x\x01y.txt', b'..\\evil4.txt', b'sub\\..\\..\\evil5.txt', b'nul', b'ok\\safe.txt']
placeholders = []
for i, n in enumerate(names):
    p = (b'P%d' % i).ljust(len(n), b'Q')
    placeholders.append(p)
    open(os.path.join(out, 'hostile', p.decode()), 'wb').write(b'hostile entry %d\r\n' % i)
subprocess.check_call(['gcab', '-c', os.path.join(out, 'cab', 'hostile.cab')] + [p.decode() for p in placeholders],
                      cwd=os.path.join(out, 'hostile'))
data = open(os.path.join(out, 'cab', 'hostile.cab'), 'rb').read()
for p, n in zip(placeholders, names):
    assert data.count(p + b'\0') == 1
    data = data.replace(p + b'\0', n + b'\0')
open(os.path.join(out, 'cab', 'hostile.cab'), 'wb').write(data)
# Damaged copies: cut short, and a flipped byte inside the compressed data.
mszip = open(os.path.join(out, 'cab', 'mszip.cab'), 'rb').read()
open(os.path.join(out, 'cab', 'truncated.cab'), 'wb').write(mszip[:len(mszip) * 2 // 3])
bad = bytearray(mszip); bad[len(bad) // 2] ^= 0x55
open(os.path.join(out, 'cab', 'corrupt.cab'), 'wb').write(bytes(bad))
PY

# LHA archives: method and header level per archive.
( cd "$out/src"
  jlha cz1 "$out/lha/lh0.lzh" "${files[@]}" >/dev/null
  jlha c0o5 "$out/lha/lh5.lzh" "${files[@]}" >/dev/null
  jlha c1o6 "$out/lha/lh6.lzh" "${files[@]}" >/dev/null
  jlha c2o7 "$out/lha/lh7.lzh" "${files[@]}" >/dev/null )
# A small -lh5- archive for the damaged-copy runs.
( cd "$out/src" && head -c 2000 dir/text.txt > small.txt && jlha c0o5 "$out/lha/small_lh5.lzh" small.txt hello.txt >/dev/null && rm small.txt )
for a in lh5 lh6 lh7; do
  listing=$(lhasa v "$out/lha/$a.lzh")
  grep -q -- "-$a-" <<<"$listing" || { echo "make_fixtures: $a.lzh has no -$a- entry" >&2; exit 1; }
done
for a in lh0 lh5 lh6 lh7; do lhasa tq "$out/lha/$a.lzh" >/dev/null; done
printf 'this is not an LHA archive\r\n' > "$out/lha/notlha.lzh"
python3 - "$out" <<'PY'
import os, struct, sys
out = sys.argv[1]
def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc
def entry(name, body):
    # Level 0 header, stored (-lh0-), 1 Jan 2020 12:00.
    rest = b'-lh0-' + struct.pack('<IIIBB', len(body), len(body), (40 << 25) | (1 << 21) | (1 << 16) | (12 << 11), 0x20, 0)
    rest += bytes([len(name)]) + name + struct.pack('<H', crc16(body))
    return bytes([len(rest), sum(rest) & 0xFF]) + rest + body
names = [b'..\\..\\evil1.txt', b'/etc/evil2.txt', b'C:\\evil3.txt', b'con.txt', b'ab:c.txt',
         b'x\x01y.txt', b'..\\evil4.txt', b'sub\\..\\..\\evil5.txt', b'nul', b'ok\\safe.txt']
data = b''.join(entry(n, b'hostile entry %d\r\n' % i) for i, n in enumerate(names)) + b'\0'
open(os.path.join(out, 'lha', 'hostile.lzh'), 'wb').write(data)
lh5 = open(os.path.join(out, 'lha', 'lh5.lzh'), 'rb').read()
open(os.path.join(out, 'lha', 'truncated.lzh'), 'wb').write(lh5[:len(lh5) * 2 // 3])
bad = bytearray(lh5); bad[len(bad) * 3 // 4] ^= 0x55
open(os.path.join(out, 'lha', 'corrupt.lzh'), 'wb').write(bytes(bad))
PY

# RAR: libarchive's own fixtures, and what the native bsdtar makes of them.
cp "$platform"/jqrar/testdata/*.rar "$out/rar/"
for a in rar4_stored rar4_compressed rar5_stored rar5_compressed rar5_solid rar5_multiple; do
  mkdir -p "$out/rar/expected/$a"
  bsdtar -xf "$out/rar/$a.rar" -C "$out/rar/expected/$a"
done
python3 - "$out" <<'PY'
import os, sys
out = sys.argv[1]
rar = open(os.path.join(out, 'rar', 'rar4_compressed.rar'), 'rb').read()
open(os.path.join(out, 'rar', 'truncated.rar'), 'wb').write(rar[:len(rar) // 2])
bad = bytearray(rar); bad[len(bad) // 3] ^= 0x55
open(os.path.join(out, 'rar', 'corrupt.rar'), 'wb').write(bytes(bad))
open(os.path.join(out, 'rar', 'notrar.rar'), 'wb').write(b'Rar? not really a RAR archive\r\n')
PY
touch "$out/.complete"
echo "make_fixtures: archive fixtures in $out"
