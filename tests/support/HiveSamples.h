#pragma once

#include <QByteArray>

// A hive shaped like the system.reg of a 64-bit Wine prefix: other programs' keys, a link key,
// a class, the value forms the normalising table of the store's test does not show, escapes
// with their padding, and long hex lines as Wine wraps them.
inline const QByteArray kWineSystemReg(R"HIVE(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000000}] 1735689601
#time=1db5be01a986fd2
#class="Example \"Class\""
@="Null"

[Software\\Classes\\Wow6432Node] 1735689600
#time=1db5be019ba4000

[Software\\Microsoft\\Windows NT\\CurrentVersion] 1735690022
#time=1db5be115552d87
"RegisteredOwner"="Caf\xe9 \x00e9a \x20ac\xe9 \xd83d\xde00"

[Software\\Vendor \[Test\]\\Escapes] 1735690100
#time=1db5be14458c87f
"Ctl"="\1\0027\a\b\t\n\v\f\r\e\0377"
"Empty"=hex(0):
"List"=str(7):"one\0two\0"
"Oct"="a\0001"
"Path"=str(2):"%SystemRoot%\\system32;\"quoted\""
"Zero"=hex(1):

[Software\\Wow6432Node\\Classes] 1735689600
#time=1db5be019ba4000
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\
  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\
  00,5c,00,57,00,6f,00,77,00,36,00,34,00,33,00,32,00,4e,00,6f,00,64,00,65,00

[Software\\Wow6432Node\\Red Storm Entertainment\\RogueSpear] 1735690022
#time=1db5be115552d87
"InstallationPath"="C:\\Games\\Rogue Spear"
"MultiplayerManualJoinPort"="2346"

[System\\CurrentControlSet\\Control\\Session Manager\\Environment] 1735689600
#time=1db5be019ba4000
"PATH"=str(2):"%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\system32\\wbem"
)HIVE");
