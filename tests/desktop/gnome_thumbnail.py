#!/usr/bin/python3
"""Thumbnails files through GNOME's own thumbnail factory (gnome-desktop), as
a file manager does: the factory picks the thumbnailer for the file's type and
runs it in its sandbox. For each FILE it prints one line, "FILE ok WIDTHxHEIGHT"
after saving the thumbnail into the thumbnail cache and into OUT-DIR as a PNG
named after the file, or "FILE failed" after recording the failure in the cache,
as file managers do. Exits 2 when the factory cannot be used."""
import os
import sys

import gi

gi.require_version("GnomeDesktop", "3.0")
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib, GnomeDesktop  # noqa: E402


def main(argv):
    if len(argv) < 3 or argv[1] in ("-h", "--help"):
        print(f"usage: {argv[0]} OUT-DIR FILE...", file=sys.stderr)
        return 2
    out_dir, files = argv[1], argv[2:]
    factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.LARGE)
    for path in files:
        gfile = Gio.File.new_for_path(path)
        info = gfile.query_info("standard::content-type,time::modified", Gio.FileQueryInfoFlags.NONE, None)
        uri = gfile.get_uri()
        mime = info.get_content_type()
        mtime = info.get_attribute_uint64("time::modified")
        if not factory.can_thumbnail(uri, mime, mtime):
            print(f"{path} no-thumbnailer {mime}")
            continue
        try:
            pixbuf = factory.generate_thumbnail(uri, mime, None)
        except GLib.Error as error:
            pixbuf = None
            print(f"{path}: {error.message}", file=sys.stderr)
        if pixbuf is None:
            factory.create_failed_thumbnail(uri, mtime, None)
            print(f"{path} failed")
            continue
        factory.save_thumbnail(pixbuf, uri, mtime, None)
        pixbuf.savev(os.path.join(out_dir, os.path.basename(path) + ".png"), "png", [], [])
        print(f"{path} ok {pixbuf.get_width()}x{pixbuf.get_height()}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
