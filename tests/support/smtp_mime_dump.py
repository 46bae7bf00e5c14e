#!/usr/bin/python3
"""Prints the MIME structure of a message file as JSON, as a mail program would read it."""

import base64
import email
import email.policy
import json
import sys


def _part(msg):
    node = {
        "content_type": msg.get_content_type(),
        "charset": msg.get_content_charset(),
        "cte": msg.get("Content-Transfer-Encoding"),
        "disposition": msg.get_content_disposition(),
        "filename": msg.get_filename(),
        "defects": [type(d).__name__ for d in msg.defects],
    }
    if msg.is_multipart():
        node["parts"] = [_part(p) for p in msg.get_payload()]
    else:
        payload = msg.get_payload(decode=True) or b""
        node["payload_b64"] = base64.b64encode(payload).decode()
        if msg.get_content_maintype() == "text":
            node["text"] = msg.get_content()
    return node


def describe(raw):
    """The headers (decoded), address headers and part tree of a raw message."""
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    headers = []
    addresses = {}
    header_defects = []
    for name, value in msg.items():
        headers.append([name, str(value)])
        header_defects += [type(d).__name__ for d in getattr(value, "defects", [])]
        if hasattr(value, "addresses"):
            addresses.setdefault(name.lower(), []).extend(
                [a.display_name, a.addr_spec] for a in value.addresses)
    return {
        "headers": headers,
        "addresses": addresses,
        "header_defects": header_defects,
        "structure": _part(msg),
        "longest_line": max((len(line) for line in raw.split(b"\r\n")), default=0),
        "bare_lf": raw.replace(b"\r\n", b"").count(b"\n"),
    }


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        print(json.dumps(describe(f.read())))
