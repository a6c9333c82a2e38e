#!/usr/bin/env python3
"""Splits a web archive with Python's email package, as an independent reader of the format.

usage: mht_split.py ARCHIVE OUTDIR
Writes OUTDIR/N.bin with the decoded bytes of part N and OUTDIR/manifest.tsv with one line per
part: N, Content-Type (without parameters), charset, Content-Transfer-Encoding, Content-Location,
Content-ID. Exits with 1 when the archive is not a multipart/related message.
"""
import email
import email.policy
import pathlib
import sys


def main():
    archive, outdir = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    message = email.message_from_bytes(archive.read_bytes(), policy=email.policy.compat32)
    if message.get_content_type() != "multipart/related" or not message.is_multipart():
        print("not multipart/related: " + message.get_content_type(), file=sys.stderr)
        return 1
    if message.defects:
        print("defects: %r" % message.defects, file=sys.stderr)
        return 1
    outdir.mkdir(parents=True, exist_ok=True)
    lines = []
    for number, part in enumerate(message.get_payload()):
        if part.defects:
            print("part %d defects: %r" % (number, part.defects), file=sys.stderr)
            return 1
        (outdir / ("%d.bin" % number)).write_bytes(part.get_payload(decode=True))
        fields = [str(number), part.get_content_type(), part.get_content_charset() or "",
                  part.get("Content-Transfer-Encoding", ""), part.get("Content-Location", ""),
                  part.get("Content-ID", "")]
        lines.append("\t".join(fields))
    (outdir / "manifest.tsv").write_text("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
