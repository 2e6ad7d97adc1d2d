# Writes a patch folder of about MIB MiB like a real update's: descriptor.xml, half text that
# compresses like program resources and scripts, half already compressed content.
# Usage: python3 bench/patch_folder.py FOLDER MIB
import os, random, sys
folder, mib = sys.argv[1], int(sys.argv[2])
os.makedirs(os.path.join(folder, "data"))
rng = random.Random(1)
half = mib * 1024 * 1024 // 2
with open(os.path.join(folder, "descriptor.xml"), "w") as out:
    out.write('<descriptor version="1"/>\n')
for i in range(4):  # text that compresses like program resources and scripts
    with open(os.path.join(folder, "data", "text%d.sql" % i), "w") as out:
        written = 0
        while written < half // 4:
            line = "INSERT INTO drugs VALUES (%d, 'name %05d', %d.%02d);\n" % (
                rng.randrange(10**6), rng.randrange(10**5), rng.randrange(1000), rng.randrange(100))
            out.write(line)
            written += len(line)
for i in range(2):  # already compressed content
    with open(os.path.join(folder, "data", "blob%d.bin" % i), "wb") as out:
        out.write(rng.randbytes(half // 2))
