#!/usr/bin/env python3
"""The editors' panels as installed: Kdenlive's effect description is well-formed XML that
names every frei0r parameter of `tonedot params --frei0r` and every popup choice (each
choice's value picking that choice), Shotcut's filter folder sets only parameters the
filter has; and a project holding the effect as Kdenlive saves it (every value of the panel
at its default but a few changed) renders in melt as `tonedot render` renders the same
settings.  The melt part is skipped (exit 77) when melt is missing.

    check-panels.py TONEDOT_PROGRAM BUILD_FOLDER WORK_FOLDER
"""
import math
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

tonedot, build, work = sys.argv[1:4]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
prefix = os.path.join(work, "prefix")
subprocess.run(["cmake", "--install", build, "--prefix", prefix, "--component", "frei0r"], check=True,
               stdout=subprocess.DEVNULL)
kdenlive = os.path.join(prefix, "share/kdenlive/effects/frei0r_tonedot.xml")
shotcut = os.path.join(prefix, "share/shotcut/qml/filters/tonedot")

# The frei0r table: index, name, type, explanation.
table = subprocess.run([tonedot, "params", "--frei0r"], check=True, capture_output=True, text=True,
                       env=dict(os.environ, TONEDOT_FREI0R=os.path.join(prefix, "lib/frei0r-1/tonedot.so"))).stdout
rows = [re.match(r"(\d+)\s+(.+?)\s+(bool|double|color|string)\s+(.*)$", line) for line in table.splitlines()[1:]]
params = [(m.group(2), m.group(3), m.group(4)) for m in rows if m]
if len(params) != len(table.splitlines()) - 1:
    fail("cannot read the frei0r table")

effect = ET.parse(kdenlive).getroot()  # raises on XML that is not well-formed
if effect.get("tag") != "frei0r.tonedot":
    fail("the Kdenlive description is not of frei0r.tonedot")
described = {p.get("name"): p for p in effect.findall("parameter")}
if [p.get("name") for p in effect.findall("parameter")] != [name for name, _, _ in params]:
    fail("the Kdenlive description does not name the frei0r parameters in their order")
kinds = {"bool": {"bool"}, "color": {"color"}, "string": {"url"}, "double": {"list", "constant"}}
for name, kind, explanation in params:
    p = described.get(name)
    if p is None:
        continue
    if p.get("type") not in kinds[kind]:
        fail(f"{name}: a {kind} shown as {p.get('type')}")
    choices = re.match(r"0 to 1 in (\d+) equal parts: (.*)$", explanation)
    if choices:
        names = choices.group(2).split(", ")
        values = [float(v) for v in p.get("paramlist", "").split(";")]
        shown = p.findtext("paramlistdisplay", "").split(",")
        if p.get("type") != "list" or shown != names or len(values) != len(names):
            fail(f"{name}: choices {shown} for {names}")
        elif [min(math.floor(v * len(names)), len(names) - 1) for v in values] != list(range(len(names))):
            fail(f"{name}: the choices' values {values} do not pick them in order")
        elif p.get("default") not in p.get("paramlist").split(";"):
            fail(f"{name}: the default {p.get('default')} is no choice")
    elif p.get("type") == "constant":
        factor, offset = float(p.get("factor")), float(p.get("offset", "0"))
        shown = float(p.get("default")) * factor + offset
        if not float(p.get("min")) <= shown <= float(p.get("max")):
            fail(f"{name}: the default shows as {shown}, outside {p.get('min')} to {p.get('max')}")

for qml in ("meta.qml", "ui.qml"):
    if not os.path.isfile(os.path.join(shotcut, qml)):
        fail(f"Shotcut's {qml} is not installed")
ui = open(os.path.join(shotcut, "ui.qml"), encoding="utf-8").read()
set_names = set(re.findall(r"put\('((?:[^'\\]|\\.)*)'", ui))
unknown = set_names - {name for name, _, _ in params}
if unknown or not {"Dot Shape", "Dot Size", "Dot Color", "Preset", "Frame Rate"} <= set_names:
    fail(f"Shotcut's panel sets {sorted(set_names)}; not parameters: {sorted(unknown)}")
if "frei0r.tonedot" not in open(os.path.join(shotcut, "meta.qml"), encoding="utf-8").read():
    fail("Shotcut's meta.qml does not name frei0r.tonedot")

if shutil.which("melt") is None:
    print("melt not found: the project render is not checked", file=sys.stderr)
    sys.exit(1 if failures else 77)

# A project as Kdenlive writes it: every parameter of the panel, at its default unless changed.
changes = {"Dot Shape": "Diamond", "Dot Size": 12, "Dot Color": "0x204080ff", "Clear Background": "1"}
values = {}
for name, p in described.items():
    value = p.get("default")
    if name in changes:
        change = changes[name]
        if p.get("type") == "list":
            value = p.get("paramlist").split(";")[p.findtext("paramlistdisplay").split(",").index(change)]
        elif p.get("type") == "constant":
            value = repr((change - float(p.get("offset", "0"))) / float(p.get("factor")))
        else:
            value = change
    values[name] = value
properties = "".join(f'      <property name="{n}">{v}</property>\n' for n, v in values.items())
subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=96x64:rate=25", "-frames:v", "1",
                "-pix_fmt", "rgba", os.path.join(work, "still.png")], check=True)
with open(os.path.join(work, "project.mlt"), "w", encoding="utf-8") as f:
    f.write(f"""<?xml version="1.0" encoding="utf-8"?>
<mlt LC_NUMERIC="C" producer="main_bin">
  <profile width="96" height="64" frame_rate_num="25" frame_rate_den="1" progressive="1"
           sample_aspect_num="1" sample_aspect_den="1" display_aspect_num="3" display_aspect_den="2" colorspace="709"/>
  <producer id="still" in="0" out="0">
    <property name="resource">{os.path.join(work, "still.png")}</property>
    <filter id="tonedot">
      <property name="mlt_service">frei0r.tonedot</property>
      <property name="kdenlive_id">frei0r.tonedot</property>
{properties}    </filter>
  </producer>
  <playlist id="main_bin"><entry producer="still" in="0" out="0"/></playlist>
</mlt>
""")
home = os.path.join(work, "home")
os.makedirs(os.path.join(home, ".frei0r-1/lib"))
shutil.copy(os.path.join(prefix, "lib/frei0r-1/tonedot.so"), os.path.join(home, ".frei0r-1/lib"))
env = {k: v for k, v in os.environ.items() if k != "FREI0R_PATH"}
env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(work, "config"))  # the library where the docs say
melt = subprocess.run(["melt", "-silent", os.path.join(work, "project.mlt"), "-consumer",
                       "avformat:" + os.path.join(work, "melt.png"), "vcodec=png", "pix_fmt=rgba", "update=1"],
                      capture_output=True, text=True, env=env)
if melt.returncode != 0 or "tonedot:" in melt.stderr:
    fail("melt: " + melt.stderr)
subprocess.run([tonedot, "render", os.path.join(work, "still.png"), "-o", os.path.join(work, "cli.png"), "--quiet",
                "--factory-defaults", "--set", "Dot Shape=Diamond", "--set", "Dot Size=12", "--set",
                "Dot Color=#204080", "--set", "Clear Background=on"], check=True, env=env)
pixels = []
for image in ("melt.png", "cli.png"):
    pixels.append(subprocess.run(["ffmpeg", "-v", "error", "-i", os.path.join(work, image), "-f", "rawvideo",
                                  "-pix_fmt", "rgba", "-"], check=True, capture_output=True).stdout)
if not pixels[0] or pixels[0] != pixels[1]:
    fail("melt's render of the Kdenlive project differs from tonedot render")

if failures:
    sys.exit(1)
print("the panels name every parameter and choice; melt renders the project as tonedot render")
