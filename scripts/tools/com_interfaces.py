"""The methods of COM interfaces as the MinGW-w64 headers declare them, read for
gen-stubs.py (the test fakes' stubs) and gen-proxy.py (the test proxies'
forwarders)."""
import re
import sys
from pathlib import Path

INCLUDE = Path("/usr/share/mingw-w64/include")


def methods_of(name, headers):
    """The declarations of interface NAME's own methods, one line each."""
    for header in headers:
        text = (INCLUDE / header).read_text()
        m = re.search(r"DECLARE_INTERFACE_\(\s*%s\s*,\s*(\w+)\s*\)\s*\{(.*?)\n\};" % name, text, re.S)
        if m:
            body = re.sub(r"/\*.*?\*/", "", m.group(2), flags=re.S)
            for decl in re.findall(r"STDMETHOD_?\(.*?PURE;", body, re.S):
                yield " ".join(decl.split())
            return
    sys.exit("interface %s not found" % name)


def parse(decl):
    """(result type, method name, parameter list) of one declaration."""
    m = re.match(r"STDMETHOD(_?)\((.*?)\)\s*\((.*)\)\s*PURE;", decl)
    if not m:
        sys.exit("cannot read: " + decl)
    if m.group(1):
        ret, name = [s.strip() for s in m.group(2).rsplit(",", 1)]
    else:
        ret, name = "HRESULT", m.group(2).strip()
    return ret, name, re.sub(r"^THIS_?\s*", "", m.group(3).strip())
