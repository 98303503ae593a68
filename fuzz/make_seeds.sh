#!/usr/bin/env bash
# Makes the fuzz targets' seed corpora on the spot (they are never committed), as fuzz/README.md
# describes them: OUT/corpus (reader), OUT/corpus-extract, OUT/corpus-writer and OUT/corpus-repair,
# with OUT/seeds as the scratch folder. OUT defaults to build-fuzz. Files already in the corpora
# (inputs a fuzzer added) are kept. Needs zip, 7zz, zstd and python3.
set -euo pipefail
out="$(mkdir -p "${1:-build-fuzz}" && cd "${1:-build-fuzz}" && pwd)"
mkdir -p "$out/seeds" "$out/corpus" "$out/corpus-extract" "$out/corpus-writer" "$out/corpus-repair"

# Reader seeds: one small archive per feature the reader handles, made with the common tools.
cd "$out/seeds"
corpus="$out/corpus"
printf 'hello hello hello\n' > a.txt && mkdir -p d && printf x > d/b && : > e && ln -sfn a.txt lnk
rm -f "$corpus"/{plain,stored,enc,stream,link,link-dir}.zip
zip -q "$corpus/plain.zip" a.txt d d/b e && echo note | zip -q -z "$corpus/plain.zip"
zip -q -0 "$corpus/stored.zip" a.txt
zip -q -P pw "$corpus/enc.zip" a.txt d/b
zip -q "$corpus/stream.zip" - < a.txt
zip -q -y "$corpus/link.zip" lnk a.txt
ln -sfn .. up && ln -sfn d dlink && zip -q -y "$corpus/link-dir.zip" up dlink d/b
head -c 100000 /dev/urandom > r && rm -f span.zip span.z01 && zip -q -s 64k span.zip r a.txt
cp span.zip "$corpus/span-last.zip"
rm -f seven.zip && 7zz a -tzip -snl seven.zip a.txt d lnk > /dev/null && cp seven.zip "$corpus/seven.zip"
python3 - "$corpus" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1] + '/z64.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    with z.open('big', 'w', force_zip64=True) as f:
        f.write(b'abc' * 50)
    z.writestr('\u00fc.txt', 'x')
EOF
head -c 20000 /usr/include/stdio.h > h.txt && head -c 3000 /dev/urandom > rr
for m in BZip2 LZMA Deflate64; do
  rm -f m.zip && 7zz a -tzip -mm=$m m.zip h.txt rr e > /dev/null && cp m.zip "$corpus/$m.zip"
done
for e in AES128 AES256; do
  rm -f m.zip && 7zz a -tzip -ppw -mem=$e m.zip h.txt rr > /dev/null && cp m.zip "$corpus/$e.zip"
done
# XZ and Zstandard: one entry re-packed by hand around the method's own output.
python3 - "$corpus" <<'EOF'
import lzma, struct, subprocess, sys, zipfile
data = open('h.txt', 'rb').read()
for name, method, packed in (('xz', 95, lzma.compress(data)),
                             ('zstd', 93, subprocess.run(['zstd', '-q', '-c'], input=data,
                                                         capture_output=True, check=True).stdout)):
    path = '%s/%s.zip' % (sys.argv[1], name)
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr('h.txt', data)
    b = bytearray(open(path, 'rb').read())
    n = struct.unpack('<H', b[26:28])[0]
    crc = b[14:18]
    local = (b[:6] + b'\0\0' + struct.pack('<H', method) + b[10:14] + crc +
             struct.pack('<II', len(packed), len(data)) + b[26:30] + b[30:30 + n])
    central = (b'PK\x01\x02' + b'\x14\x03\x14\0\0\0' + struct.pack('<H', method) + b[10:14] + crc +
               struct.pack('<IIHHHHHII', len(packed), len(data), n, 0, 0, 0, 0, 0o100644 << 16, 0) +
               b[30:30 + n])
    body = local + packed
    open(path, 'wb').write(body + central +
                           struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(central), len(body), 0))
EOF

# Extraction seeds: the reader seeds plus hostile archives.
extract="$out/corpus-extract"
cp "$corpus"/*.zip "$extract/"
python3 - "$extract" <<'EOF'
import sys, warnings, zipfile
warnings.simplefilter('ignore')  # duplicate names are the point of some seeds
def entry(z, name, mode, data):
    i = zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0))
    i.create_system = 3
    i.external_attr = mode << 16
    z.writestr(i, data)
F, L, D = 0o100644, 0o120777, 0o040755
seeds = {
    'link-up': [('up', L, '../x'), ('up', F, 'through the link\n')],
    'evil-names': [('../evil', F, 'e'), ('/abs', F, 'a'), ('..\\evil', F, 'b'),
                   ('a/../../evil', F, 'c'), ('ok.txt', F, 'ok')],
    'link-chain': [('f', F, 'file'), ('s', L, 'f/..'), ('f', L, '.'), ('s/out.txt', F, 'out')],
    'link-outside': [('t', L, '/tmp'), ('t/pwn', F, 'p'), ('p', L, '..'), ('p/pwn', F, 'p')],
    'dir-then-link': [('d/', D, ''), ('d', L, '..'), ('d/x', F, 'x')],
    'link-junked': [('deep/sub/l', L, '../k'), ('deep/k', F, 'k'), ('l', F, 'over')],
    'link-loop': [('a', L, 'b'), ('b', L, 'a'), ('a/x', F, 'x')],
    'duplicate': [('dup.txt', F, 'one'), ('dup.txt', F, 'two')],
    'setuid': [('run', 0o106755, '#!/bin/sh\n')],
}
for name, entries in seeds.items():
    with zipfile.ZipFile(f'{sys.argv[1]}/{name}.zip', 'w', zipfile.ZIP_DEFLATED) as z:
        for e in entries:
            entry(z, *e)
EOF
rm -f "$extract/enc-link.zip" && zip -q -y -P pw "$extract/enc-link.zip" lnk a.txt

# Writer seeds: the input only steers the choices, so a few random blocks do.
for n in 16 64 256 1024 4096; do head -c $n /dev/urandom > "$out/corpus-writer/random-$n"; done

# Repair seeds longer than the scanner's 64 KiB read window: data-descriptor entries (zipfile
# writing to a pipe), the same cut short and with a damaged byte, and junk before an archive.
repair="$out/corpus-repair"
cp "$corpus"/*.zip "$repair/"
cd "$repair"
for method in STORED DEFLATED; do
  python3 - $method <<'EOF' | cat > dd-$method.zip
import os, sys, zipfile
with zipfile.ZipFile(sys.stdout.buffer, 'w', getattr(zipfile, 'ZIP_' + sys.argv[1])) as z:
    z.writestr('big.bin', os.urandom(70000))
    z.writestr('text.txt', b'text line ' * 9000)
    z.writestr('after.txt', b'tail entry\n')
EOF
  head -c 70100 dd-$method.zip > dd-$method-cut.zip
  python3 -c "import sys; b = bytearray(open(sys.argv[1], 'rb').read()); b[30000] ^= 0xff
open(sys.argv[2], 'wb').write(b)" dd-$method.zip dd-$method-damaged.zip
done
for n in 65533 65534 65535 65536; do head -c $n /dev/urandom | cat - plain.zip > junk-$n.zip; done
