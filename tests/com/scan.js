// Scripted use of the Kestrix scan engine, late-bound (run with cscript).
// Detects, and removes what was found; prints one line per step and ends
// with exit code 10 * found + removed (cscript does not report script errors
// itself, so a missing line means the script stopped there).
var engine = new ActiveXObject("ScanEngine.ScanEngine");
WScript.Echo("created");
WScript.Echo("Init=" + engine.Init(1, 1));   // log on, silent: no progress window
engine.Logging = 1;
engine.Silent = 1;
var found = engine.DetectDW();
WScript.Echo("DetectDW=" + found);
var removed = found ? engine.RemoveDW() : 0;
WScript.Echo("RemoveDW=" + removed);
WScript.Quit(10 * found + removed);
