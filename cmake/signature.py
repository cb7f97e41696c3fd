"""A detached Authenticode signature in either of the forms osslsigncode reads and writes.

Usage: signature.py plain SIG OUT    -> OUT: the PKCS#7 alone (DER), the published form
       signature.py wrapped SIG OUT  -> OUT: the PKCS#7 in a WIN_CERTIFICATE entry

osslsigncode 2.9 (Debian 13) writes and reads the PKCS#7 alone, as Microsoft's tools
do; 2.5 (Debian 12) writes and reads the entry of the image's certificate table: an
8-byte header (length, revision 2.0, type PKCS#7) and zeros to a multiple of 8 bytes.
Each refuses the other's form, so the release publishes the plain one and converts.
SIG may be in either form.
"""
import pathlib
import struct
import sys

REVISION_2_0, CERT_TYPE_PKCS_SIGNED_DATA = 0x0200, 0x0002
HEADER = struct.Struct("<IHH")


def der_length(data):
    """The length of the DER element at the start of data, its tag and length included."""
    if len(data) < 2 or data[0] != 0x30:
        raise ValueError("not a DER SEQUENCE")
    if data[1] < 0x80:
        return 2 + data[1]
    size = data[1] & 0x7F
    if not 1 <= size <= 4 or len(data) < 2 + size:
        raise ValueError("bad DER length")
    return 2 + size + int.from_bytes(data[2:2 + size], "big")


def plain(data):
    if len(data) >= HEADER.size and data[0] != 0x30:
        length, revision, kind = HEADER.unpack_from(data)
        if (revision, kind) != (REVISION_2_0, CERT_TYPE_PKCS_SIGNED_DATA) or length > len(data):
            raise ValueError("neither a PKCS#7 nor a WIN_CERTIFICATE entry holding one")
        data = data[HEADER.size:length]
    end = der_length(data)
    # What follows the PKCS#7 in an entry is padding; anything else is not this signature.
    if end > len(data) or any(data[end:]):
        raise ValueError("the PKCS#7 is cut short or followed by other data")
    return data[:end]


def wrapped(data):
    body = plain(data)
    body += bytes(-len(body) % 8)
    return HEADER.pack(HEADER.size + len(body), REVISION_2_0, CERT_TYPE_PKCS_SIGNED_DATA) + body


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("plain", "wrapped"):
        raise SystemExit(__doc__)
    try:
        result = {"plain": plain, "wrapped": wrapped}[sys.argv[1]](pathlib.Path(sys.argv[2]).read_bytes())
    except ValueError as error:
        raise SystemExit(f"{sys.argv[2]}: not a detached Authenticode signature: {error}")
    pathlib.Path(sys.argv[3]).write_bytes(result)
