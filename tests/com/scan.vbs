' Scripted use of the Kestrix scan engine, late-bound (run with cscript).
' Detects, and removes what was found; prints one line per step and ends
' with exit code 10 * found + removed (cscript does not report script errors
' itself, so a missing line means the script stopped there).
Dim engine, found, removed
Set engine = CreateObject("ScanEngine.ScanEngine")
WScript.Echo "created"
WScript.Echo "Init=" & engine.Init(1, 1)
engine.Logging = 1
engine.Silent = 1
found = engine.DetectDW()
WScript.Echo "DetectDW=" & found
removed = 0
If found = 1 Then removed = engine.RemoveDW()
WScript.Echo "RemoveDW=" & removed
WScript.Quit 10 * found + removed
