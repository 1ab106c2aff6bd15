#!/usr/bin/env bash
# Makes the example scene package from the text sources in this folder:
#   examples/make_example.sh VORAFILE_TOOL OUTPUT.cab
# The pictures are generated here (perl, part of every Debian system), so the
# repository holds no binary files.
set -euo pipefail
tool=$1
output=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp -r "$here/night_drive" "$work/scene"

# A 24-bit bottom-up BMP of WIDTH x HEIGHT whose colour runs from one
# corner to the other: bmp FILE WIDTH HEIGHT R G B.
bmp() {
  perl -e '
    my ($file, $w, $h, $r, $g, $b) = @ARGV;
    my $row = $w * 3; my $pad = (4 - $row % 4) % 4;
    my $size = ($row + $pad) * $h;
    open(my $out, ">:raw", $file) or die "$file: $!";
    print $out pack("A2 V v v V", "BM", 54 + $size, 0, 0, 54);
    print $out pack("V l l v v V V l l V V", 40, $w, $h, 1, 24, 0, $size,
                    2835, 2835, 0, 0);
    for my $y (0 .. $h - 1) {
      for my $x (0 .. $w - 1) {
        my $t = ($x + $y) / ($w + $h - 2);
        print $out pack("C3", int($b * $t), int($g * $t), int($r * (1 - $t)));
      }
      print $out "\0" x $pad;
    }
    close($out);
  ' "$@"
}
bmp "$work/scene/cover.bmp" 64 64 40 60 200
bmp "$work/scene/heightmap0.bmp" 33 33 255 255 255
# The scene names "paint.jpg"; the .bmp stands in for it.
bmp "$work/scene/paint.bmp" 16 16 200 40 40

"$tool" pack "$work/scene" "$output"
