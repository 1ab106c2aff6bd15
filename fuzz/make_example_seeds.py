#!/usr/bin/env python3
"""Writes seeds made from the example package (examples/night_drive) into
the fuzz corpora, each in its target's input layout (see the head comment
of fuzz/<target>_fuzzer.cpp), and a few small scenes for the package round
trip. Given the path of a built vfcab, also packs the example as a seed of
the cabinet reader.

Run from the repository's root:
  python3 fuzz/make_example_seeds.py [build/release/tools/vfcab/vfcab]
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLE = os.path.join(ROOT, "examples", "night_drive")
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def example(name):
    with open(os.path.join(EXAMPLE, name), "rb") as f:
        return f.read()


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def named_files(files):
    """The round trip's parts after the script and the list."""
    return b"".join(b"\0" + name.encode() + b"\n" + text
                    for name, text in files)


def main():
    flat = sorted(n for n in os.listdir(EXAMPLE)
                  if os.path.isfile(os.path.join(EXAMPLE, n)))
    others = [(n, example(n)) for n in flat
              if n not in ("vora.rudov", "FileList.ini")]
    write("package_round_trip", "night_drive.bin",
          example("vora.rudov") + b"\0" + example("FileList.ini") +
          named_files(others))
    file_list = (b"[3d]\r\nCount=1\r\n1=vora.rudov\r\n"
                 b"[Texture]\r\nCount=0\r\n")
    write("package_round_trip", "version3_intro_messages.bin",
          b"Version 3\nBrightness 0.5\nMsgOn\t1\nMsgIni\ttext.ini\n\0" +
          file_list + named_files([
              ("intro.ini", b"[Introduction]\r\nTitle=Round trip\r\n"),
              ("text.ini", b"[General]\r\nRate=50\r\n[Message]\r\n0=Hi\r\n")]))
    write("package_round_trip", "version2.bin",
          b"Scene\n30.0\n0.8\n1.2\n7\n37\n0\nextra\n2\n20\n200\n200\n20480\n"
          b"1\nHello there;ignored\n0.5\n700\n0\n255 128 0 255\n1.5\nArial\n"
          b"track.mp3\nCamera FOV Set 45\nLighting 0 Spot 1\n\0" + file_list +
          named_files([("intro.ini", b"[Introduction]\r\nTitle=Old\r\n"),
                       ("text.ini", b"")]))
    write("package_round_trip", "migration_list.bin",
          b"Version 3\nBrightness 0.5\nResponsivness 1\nStyle 0\n\0" +
          file_list + named_files([
              ("intro.ini", b""),
              ("text.ini", b""),
              ("vora_.rudov", b"1\n2\n\n0.75\n\n4.5\n\n35\n2\n"
                              b"\n\n\n\n\n\n\n\n\n\n"
                              b"a.bmp\n255\n65280\n3.9\nb.bmp\n0\n0\n-1\n")]))
    write("package_round_trip", "file_list_missing_and_climbing.bin",
          b"Version 3\n\0[3d]\r\nCount=2\r\n1=vora.rudov\r\n2=missing.x\r\n"
          b"[Texture]\r\nCount=1\r\n1=../up.bmp\r\n" +
          named_files([("intro.ini", b"x\n"), ("text.ini", b"")]))

    write("scene_script", "night_drive.bin",
          example("vora.rudov") + b"\0" + example("intro.ini") + b"\0" +
          example("text.ini"))
    for name in ("intro.ini", "text.ini", "FileList.ini"):
        write("ini_file", "night_drive_" + name, example(name))
    write("config_files", "night_drive_sway.vrm", b"\0" + example("sway.vrm"))
    write("config_files", "night_drive_dash.pod", b"\1" + example("dash.pod"))
    write("preset_file", "night_drive_ripple.vrd",
          b"\0" + example("ripple.vrd"))
    write("preset_file", "night_drive_glow.lfp", b"\1" + example("glow.lfp"))
    write("preset_file", "night_drive_rain.lfp", b"\1" + example("rain.lfp"))
    write("preset_file", "night_drive_fade.tfp", b"\2" + example("fade.tfp"))
    # The effects target names its preset files p0.fp to p2.fp.
    renames = {b"glow.lfp": b"p0.fp", b"rain.lfp": b"p1.fp",
               b"fade.tfp": b"p2.fp"}
    lens, transition = example("night.lfx"), example("night.tfx")
    for old, new in renames.items():
        lens, transition = lens.replace(old, new), transition.replace(old, new)
    write("effects_file", "night_drive.bin", b"\0".join(
        [lens, transition, example("glow.lfp"), example("rain.lfp"),
         example("fade.tfp")]))
    write("marquee_file", "night_drive.mrq", example("Vora.mrq"))
    if len(sys.argv) > 1:
        cabinet = os.path.join(CORPUS, "cabinet_reader", "night_drive.cab")
        names = flat + ["Misc/" + n for n in
                        sorted(os.listdir(os.path.join(EXAMPLE, "Misc")))]
        subprocess.run([os.path.abspath(sys.argv[1]), "-c", cabinet] + names,
                       cwd=EXAMPLE,
                       check=True, stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
