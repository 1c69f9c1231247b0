// Calls the scan engine in the order given as the argument (I Init, D DetectDW,
// R RemoveDW, G the two list gets, P the two puts) and prints what each call
// gave on one line, then "end". A call that fails ends the script early, so
// the "end" line is missing then.
var engine = new ActiveXObject("ScanEngine.ScanEngine");
var calls = WScript.Arguments(0), said = [];
for (var i = 0; i < calls.length; ++i) {
    switch (calls.charAt(i)) {
    case "I": said.push("I=" + engine.Init(1, 1)); break;
    case "D": said.push("D=" + engine.DetectDW()); break;
    case "R": said.push("R=" + engine.RemoveDW()); break;
    case "G": var lists = [engine.RegistryList, engine.ProcessList]; said.push("G"); break;   // arrays of BSTR: not indexable here
    case "P": engine.Logging = 1; engine.Silent = 1; said.push("P"); break;
    }
}
WScript.Echo(said.join(" "));
WScript.Echo("end");
WScript.Quit(0);
