// quarrion.dll as a real in-process COM server: registered by the system's
// own regsvr32, created through COM, driven early- and late-bound, and by
// JScript and VBScript under cscript.
#include "tests/support/RunServicesState.h"
#include "ScanEngine_h.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

using namespace kxtest;

namespace {

const char kTypeLibKey[] = "TypeLib\\{80951144-3F67-11D2-96E1-444553540000}\\1.0\\0\\win32";
const char kInterfaceKey[] = "Interface\\{A942BD40-3FCB-11D2-96E1-444553540000}";

// Every key and value under the given HKCR keys, one line each.
void Dump(HKEY parent, const std::string& path, std::set<std::string>& lines)
{
    kx::RegKey key;
    if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
    lines.insert(path);
    for (const RegValue& v : ListValues(key.Get()))
        lines.insert(path + " [" + v.name + "] " + (v.type == REG_SZ ? "REG_SZ " : "OTHER ") +
                     std::string(v.data.c_str()));
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        Dump(parent, path + "\\" + name, lines);
    }
}

std::set<std::string> ClassEntries()
{
    std::set<std::string> lines;
    for (const char* root : {"ScanEngine.ScanEngine.1", "ScanEngine.ScanEngine", kClsidKey})
        Dump(HKEY_CLASSES_ROOT, root, lines);
    return lines;
}

class ComServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::CoInitialize(nullptr);
        // The unzipped distribution: the DLL beside its own regsvr32. The folder is left in place: the DLL
        // stays loaded in this process.
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        s_folder = std::string(temp) + "kxtests\\com server";
        ::CreateDirectoryA((std::string(temp) + "kxtests").c_str(), nullptr);
        ::CreateDirectoryA(s_folder.c_str(), nullptr);
        ASSERT_TRUE(CopyDistribution(s_folder));
    }
    static void TearDownTestSuite() { ::CoUninitialize(); }
    // Every test starts from a registered server, whatever ran before it.
    void SetUp() override { ASSERT_EQ(0u, Regsvr32(" quarrion.dll /s")); }

    static DWORD Regsvr32(const std::string& args)
    {
        std::string output;
        return RunAndCapture(s_folder + "\\regsvr32.exe", "\"" + s_folder + "\\regsvr32.exe\"" + args, s_folder,
                             output);
    }
    static std::string ShortDllPath()
    {
        char path[MAX_PATH];
        DWORD n = ::GetShortPathNameA((s_folder + "\\quarrion.dll").c_str(), path, MAX_PATH);
        return std::string(path, n);
    }
    static std::set<std::string> ExpectedEntries()
    {
        const std::string c = kClsidKey;
        return {"ScanEngine.ScanEngine.1", "ScanEngine.ScanEngine.1 [] REG_SZ ScanEngine Class",
                "ScanEngine.ScanEngine.1\\CLSID",
                "ScanEngine.ScanEngine.1\\CLSID [] REG_SZ {A942BD41-3FCB-11D2-96E1-444553540000}",
                "ScanEngine.ScanEngine", "ScanEngine.ScanEngine [] REG_SZ ScanEngine Class",
                // Not followed through CurVer by CLSIDFromProgID: without it
                // the version-independent ProgID creates nothing.
                "ScanEngine.ScanEngine\\CLSID",
                "ScanEngine.ScanEngine\\CLSID [] REG_SZ {A942BD41-3FCB-11D2-96E1-444553540000}",
                "ScanEngine.ScanEngine\\CurVer", "ScanEngine.ScanEngine\\CurVer [] REG_SZ ScanEngine.ScanEngine.1", c,
                c + " [] REG_SZ ScanEngine Class", c + "\\ProgID", c + "\\ProgID [] REG_SZ ScanEngine.ScanEngine.1",
                c + "\\VersionIndependentProgID", c + "\\VersionIndependentProgID [] REG_SZ ScanEngine.ScanEngine",
                c + "\\Programmable", c + "\\InprocServer32", c + "\\InprocServer32 [] REG_SZ " + ShortDllPath(),
                c + "\\InprocServer32 [ThreadingModel] REG_SZ Apartment"};
    }
    static kx::ComPtr<IScanEngine> Create(HRESULT* hr = nullptr)
    {
        kx::ComPtr<IScanEngine> engine;
        HRESULT result =
            ::CoCreateInstance(CLSID_ScanEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IScanEngine, engine.PutVoid());
        if (hr) *hr = result;
        return engine;
    }

    static std::string s_folder;
};
std::string ComServerTest::s_folder;

// Calls a member late-bound; arguments in their declared order.
HRESULT Call(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::reverse(args.begin(), args.end());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr, static_cast<UINT>(args.size()),
                      flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
    return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

VARIANT Long(LONG v)
{
    VARIANT var;
    ::VariantInit(&var);
    V_VT(&var) = VT_I4;
    V_I4(&var) = v;
    return var;
}

}   // namespace

TEST_F(ComServerTest, Regsvr32RegistersExactlyTheClassEntriesAndUnregistersThemAgain)
{
    ASSERT_EQ(0u, Regsvr32(" quarrion.dll /u /s"));   // never registered: still fine
    EXPECT_TRUE(ClassEntries().empty());
    HRESULT hr = S_OK;
    EXPECT_FALSE(Create(&hr));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, hr);

    ASSERT_EQ(0u, Regsvr32(" quarrion.dll /s"));
    EXPECT_EQ(ExpectedEntries(), ClassEntries());
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kInterfaceKey));
    EXPECT_TRUE(Create());

    // Registering again rebuilds the class key from nothing; a hand-made key
    // under the ProgID survives, and keeps its parent at unregistration.
    kx::RegKey made;
    ::RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string(kClsidKey) + "\\HandMade").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, made.Put(), nullptr);
    ::RegCreateKeyExA(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine.1\\HandMade", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      made.Put(), nullptr);
    made.Reset();
    ASSERT_EQ(0u, Regsvr32(" quarrion.dll /s"));
    std::set<std::string> expected = ExpectedEntries();
    expected.insert("ScanEngine.ScanEngine.1\\HandMade");
    EXPECT_EQ(expected, ClassEntries());

    ASSERT_EQ(0u, Regsvr32(" quarrion.dll /u /s"));
    EXPECT_EQ((std::set<std::string>{"ScanEngine.ScanEngine.1", "ScanEngine.ScanEngine.1 [] REG_SZ ScanEngine Class",
                                     "ScanEngine.ScanEngine.1\\HandMade"}),
              ClassEntries());
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));   // nothing points at a DLL about to go
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kInterfaceKey));
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine.1\\HandMade");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine.1");
}

TEST_F(ComServerTest, ClassObjectAndObjectsHoldTheServerAsSpecified)
{
    ASSERT_EQ(0u, Regsvr32(" quarrion.dll /s"));
    HMODULE dll = ::LoadLibraryA((s_folder + "\\quarrion.dll").c_str());
    ASSERT_NE(nullptr, dll);
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(dll, MAKEINTRESOURCEA(1))));
    auto getClassObject =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(dll, MAKEINTRESOURCEA(2))));
    ASSERT_TRUE(canUnload && getClassObject);
    EXPECT_EQ(reinterpret_cast<void*>(canUnload), reinterpret_cast<void*>(::GetProcAddress(dll, "DllCanUnloadNow")));

    EXPECT_EQ(S_OK, canUnload());
    IClassFactory* factory = nullptr;
    EXPECT_EQ(E_POINTER, getClassObject(CLSID_ScanEngine, IID_IClassFactory, nullptr));
    void* other = &other;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(IID_IScanEngine, IID_IClassFactory, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(E_NOINTERFACE, getClassObject(CLSID_ScanEngine, IID_IScanEngine, &other));
    ASSERT_EQ(S_OK, getClassObject(CLSID_ScanEngine, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_FALSE, canUnload());
    factory->AddRef();
    factory->AddRef();
    factory->Release();
    factory->Release();
    EXPECT_EQ(S_FALSE, canUnload());
    factory->Release();
    EXPECT_EQ(S_OK, canUnload());   // more references never held more than one lock

    getClassObject(CLSID_ScanEngine, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    IUnknown* outer = factory;
    void* object = &object;
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IScanEngine, nullptr));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPersist, &object));
    IScanEngine* engine = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IScanEngine, reinterpret_cast<void**>(&engine)));
    factory->Release();
    EXPECT_EQ(S_FALSE, canUnload());   // the object holds the server

    IUnknown* unknown = nullptr;
    IDispatch* dispatch = nullptr;
    EXPECT_EQ(S_OK, engine->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(S_OK, engine->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    EXPECT_EQ(static_cast<void*>(engine), static_cast<void*>(unknown));
    EXPECT_EQ(static_cast<void*>(engine), static_cast<void*>(dispatch));
    EXPECT_EQ(E_NOINTERFACE, engine->QueryInterface(IID_IPersist, &object));
    EXPECT_EQ(E_POINTER, engine->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(4u, engine->AddRef());
    engine->Release();
    unknown->Release();
    dispatch->Release();
    EXPECT_EQ(0u, engine->Release());
    EXPECT_EQ(S_OK, canUnload());

    getClassObject(CLSID_ScanEngine, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(S_FALSE, canUnload());
    getClassObject(CLSID_ScanEngine, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(S_OK, canUnload());
    ::FreeLibrary(dll);
}

TEST_F(ComServerTest, TypeLibraryDescribesTheDualInterface)
{
    kx::ComPtr<ITypeLib> library;
    ASSERT_EQ(S_OK, ::LoadRegTypeLib(LIBID_KESTRIXSCANENGINELib, 1, 0, 0x409, library.Put()));
    BSTR name = nullptr, doc = nullptr;
    library->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    EXPECT_STREQ(L"KESTRIXSCANENGINELib", name);
    EXPECT_STREQ(L"KestrixScanEngine 1.0 Type Library", doc);
    ::SysFreeString(name);
    ::SysFreeString(doc);

    kx::ComPtr<ITypeInfo> dispatchInfo, vtableInfo;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IScanEngine, dispatchInfo.Put()));
    HREFTYPE vtableRef = 0;
    ASSERT_EQ(S_OK, dispatchInfo->GetRefTypeOfImplType(-1, &vtableRef));
    ASSERT_EQ(S_OK, dispatchInfo->GetRefTypeInfo(vtableRef, vtableInfo.Put()));
    TYPEATTR* attr = nullptr;
    vtableInfo->GetTypeAttr(&attr);
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_EQ(7, attr->cFuncs);
    EXPECT_EQ(14 * 4, attr->cbSizeVft);   // IUnknown, IDispatch, then seven
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    vtableInfo->ReleaseTypeAttr(attr);

    struct Member {
        const wchar_t* name;
        INVOKEKIND kind;
        short params;
        const wchar_t* help;
    };
    const Member members[] = {
        {L"DetectDW", INVOKE_FUNC, 1, L"method DetectDW"},
        {L"RemoveDW", INVOKE_FUNC, 1, L"method RemoveDW"},
        {L"RegistryList", INVOKE_PROPERTYGET, 1, L"property RegistryList"},
        {L"ProcessList", INVOKE_PROPERTYGET, 1, L"property ProcessList"},
        {L"Init", INVOKE_FUNC, 3, L"method Init"},
        {L"Logging", INVOKE_PROPERTYPUT, 1, L"property Logging"},
        {L"Silent", INVOKE_PROPERTYPUT, 1, L"property Silent"},
    };
    for (UINT i = 0; i < 7; ++i) {
        FUNCDESC* func = nullptr;
        ASSERT_EQ(S_OK, vtableInfo->GetFuncDesc(i, &func));
        BSTR memberName = nullptr, help = nullptr;
        vtableInfo->GetDocumentation(func->memid, &memberName, &help, nullptr, nullptr);
        EXPECT_STREQ(members[i].name, memberName);
        EXPECT_STREQ(members[i].help, help);
        EXPECT_EQ(static_cast<MEMBERID>(i + 1), func->memid);
        EXPECT_EQ(members[i].kind, func->invkind);
        EXPECT_EQ(members[i].params, func->cParams);
        EXPECT_EQ(static_cast<SHORT>((7 + i) * 4), func->oVft);
        EXPECT_EQ(CC_STDCALL, func->callconv);
        ::SysFreeString(memberName);
        ::SysFreeString(help);
        vtableInfo->ReleaseFuncDesc(func);
    }
}

TEST_F(ComServerTest, DispatchResolvesNamesAndInvokesThroughTheTypeInformation)
{
    kx::ComPtr<IScanEngine> engine = Create();
    ASSERT_TRUE(engine);
    const wchar_t* names[] = {L"DetectDW", L"RemoveDW", L"RegistryList", L"ProcessList",
                              L"Init",     L"Logging",  L"Silent"};
    for (int i = 0; i < 7; ++i) {
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        DISPID id = 0;
        EXPECT_EQ(S_OK, engine->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
        EXPECT_EQ(i + 1, id);
    }
    LPOLESTR lower[] = {const_cast<LPOLESTR>(L"init")};
    DISPID id = 0;
    EXPECT_EQ(S_OK, engine->GetIDsOfNames(IID_NULL, lower, 1, 0, &id));
    EXPECT_EQ(5, id);
    LPOLESTR withParam[] = {const_cast<LPOLESTR>(L"Init"), const_cast<LPOLESTR>(L"bLog")};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, engine->GetIDsOfNames(IID_NULL, withParam, 2, 0, ids));
    EXPECT_EQ(5, ids[0]);

    UINT count = 0;
    EXPECT_EQ(S_OK, engine->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    kx::ComPtr<ITypeInfo> first, third;
    EXPECT_EQ(S_OK, engine->GetTypeInfo(0, 0, first.Put()));
    EXPECT_EQ(S_OK, engine->GetTypeInfo(3, 0, third.Put()));
    EXPECT_EQ(first.Get(), third.Get());
    EXPECT_EQ(E_POINTER, engine->GetTypeInfo(0, 0, nullptr));

    VARIANT result;
    ::VariantInit(&result);
    EXPECT_EQ(S_OK, Call(engine.Get(), L"Init", DISPATCH_METHOD, {Long(0), Long(1)}, &result));
    EXPECT_EQ(1, V_I4(&result));
    EXPECT_EQ(S_OK, Call(engine.Get(), L"Logging", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr));
    EXPECT_EQ(S_OK, Call(engine.Get(), L"RegistryList", DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(VT_ARRAY | VT_BSTR, V_VT(&result));
    ::VariantClear(&result);
}

TEST_F(ComServerTest, LateBoundClientDetectsReadsTheListsAndRemoves)
{
    RunServicesState registry;
    ScratchDir dir("com late bound");
    CurrentDirectory cd(dir.Path());
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());

    kx::ComPtr<IScanEngine> engine = Create();
    ASSERT_TRUE(engine);
    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(S_OK, Call(engine.Get(), L"Init", DISPATCH_METHOD, {Long(1), Long(1)}, &result));
    ASSERT_EQ(S_OK, Call(engine.Get(), L"DetectDW", DISPATCH_METHOD, {}, &result));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(1, V_I4(&result));

    for (const wchar_t* list : {L"ProcessList", L"RegistryList"}) {
        VARIANT v;
        ::VariantInit(&v);
        ASSERT_EQ(S_OK, Call(engine.Get(), list, DISPATCH_PROPERTYGET, {}, &v));
        ASSERT_EQ(VT_ARRAY | VT_BSTR, V_VT(&v));
        LONG index = 0;
        BSTR item = nullptr;
        ASSERT_EQ(S_OK, ::SafeArrayGetElement(V_ARRAY(&v), &index, &item));
        std::wstring expected =
            list == std::wstring(L"ProcessList") ? std::wstring(server.Path().begin(), server.Path().end()) : L"Agent";
        EXPECT_EQ(expected, std::wstring(item));
        ::SysFreeString(item);
        ::VariantClear(&v);
    }
    ASSERT_EQ(S_OK, Call(engine.Get(), L"RemoveDW", DISPATCH_METHOD, {}, &result));
    EXPECT_EQ(1, V_I4(&result));
    EXPECT_FALSE(running.Running());
    EXPECT_TRUE(FileExists(dir / "Infected Files\\agent.exe.KSX"));
}

// Calls in every order a client might make them, through IDispatch as a
// script makes them, on a clean machine: none crashes, each has a defined
// result, and nothing of the machine is touched.
struct CallOrder {
    const char* calls;     // I Init, D DetectDW, R RemoveDW, G the two gets, P the two puts
    const char* results;   // what each call gave, in the script's notation
};
const CallOrder kCleanMachineOrders[] = {
    {"R", "R=0"},
    {"D", "D=0"},
    {"GP", "G=0,0 P"},
    {"RDRG", "R=0 D=0 R=0 G=2,0"},   // the lists as the clean pass left them
    {"IR", "I=1 R=0"},
    {"IDR", "I=1 D=0 R=0"},
    {"IDDR", "I=1 D=0 D=0 R=0"},
    {"IIDR", "I=1 I=1 D=0 R=0"},
    {"IDGPRGPR", "I=1 D=0 G=2,0 P R=0 G=2,0 P R=0"},
};

class CleanMachine {
public:
    explicit CleanMachine(const std::string& folder) : dir(folder)
    {
        RunServicesState::SetString("Keep", "keep.exe");
        RunServicesState::SetString("", "C:\\tools\\default.exe");
    }
    // What a clean machine must still have after any call order.
    void ExpectUntouched(const std::string& context) const
    {
        std::vector<RegValue> values = RunServicesState::Values();
        ASSERT_EQ(2u, values.size()) << context;
        EXPECT_TRUE(FileExists(windll.Path())) << context;
        EXPECT_FALSE(FileExists(dir / "Infected Files")) << context;
    }
    RunServicesState registry;
    ScratchDir dir;
    TempFile windll{FixturePath("clean.exe"), SystemDirectory() + "\\windll.dll"};
};

std::string RunCalls(IDispatch* engine, const std::string& calls)
{
    std::string out;
    auto said = [&out](const std::string& s) { out += (out.empty() ? "" : " ") + s; };
    for (char c : calls) {
        VARIANT r;
        ::VariantInit(&r);
        HRESULT hr = E_FAIL;
        switch (c) {
        case 'I': hr = Call(engine, L"Init", DISPATCH_METHOD, {Long(1), Long(1)}, &r); break;
        case 'D': hr = Call(engine, L"DetectDW", DISPATCH_METHOD, {}, &r); break;
        case 'R': hr = Call(engine, L"RemoveDW", DISPATCH_METHOD, {}, &r); break;
        case 'G': {
            std::string sizes;
            for (const wchar_t* list : {L"RegistryList", L"ProcessList"}) {
                VARIANT v;
                ::VariantInit(&v);
                hr = Call(engine, list, DISPATCH_PROPERTYGET, {}, &v);
                LONG upper = -1;
                if (SUCCEEDED(hr) && V_VT(&v) == (VT_ARRAY | VT_BSTR)) ::SafeArrayGetUBound(V_ARRAY(&v), 1, &upper);
                sizes += (sizes.empty() ? "" : ",") + std::to_string(upper + 1);
                ::VariantClear(&v);
            }
            said("G=" + sizes);
            continue;
        }
        case 'P':
            hr = Call(engine, L"Logging", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr);
            if (SUCCEEDED(hr)) hr = Call(engine, L"Silent", DISPATCH_PROPERTYPUT, {Long(1)}, nullptr);
            said(SUCCEEDED(hr) ? "P" : "P failed");
            continue;
        }
        said(std::string(1, c) + (SUCCEEDED(hr) && V_VT(&r) == VT_I4 ? "=" + std::to_string(V_I4(&r)) : " failed"));
    }
    return out;
}

TEST_F(ComServerTest, EveryCallOrderOnACleanMachineIsDefinedAndTouchesNothing)
{
    for (const CallOrder& order : kCleanMachineOrders) {
        CleanMachine machine(std::string("order ") + order.calls);
        CurrentDirectory cd(machine.dir.Path());
        {
            kx::ComPtr<IScanEngine> engine = Create();
            ASSERT_TRUE(engine);
            EXPECT_EQ(order.results, RunCalls(engine.Get(), order.calls)) << order.calls;
        }
        machine.ExpectUntouched(order.calls);
    }
}

TEST_F(ComServerTest, ScriptsCanCallInAnyOrderWithoutHarm)
{
    for (const CallOrder& order : kCleanMachineOrders) {
        CleanMachine machine(std::string("script order ") + order.calls);
        std::string output;
        DWORD code =
            RunAndCapture(SystemDirectory() + "\\cscript.exe",
                          std::string("cscript //nologo \"") + HelperPath("callorder.js") + "\" " + order.calls,
                          machine.dir.Path(), output);
        EXPECT_EQ(0u, code) << order.calls << "\n" << output;
        // A script cannot look into arrays of strings: it only reads them.
        std::string expected = std::regex_replace(order.results, std::regex("G=[0-9]+,[0-9]+"), "G");
        EXPECT_NE(std::string::npos, output.find(expected + "\r\nend")) << order.calls << "\n" << output;
        machine.ExpectUntouched(order.calls);
    }
}

TEST_F(ComServerTest, OneDetectionAllowsOneRemoval)
{
    RunServicesState registry;
    ScratchDir dir("com one removal");
    CurrentDirectory cd(dir.Path());
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());
    RunServicesState::SetString("Keep", "keep.exe");

    kx::ComPtr<IScanEngine> engine = Create();
    ASSERT_TRUE(engine);
    EXPECT_EQ("I=1 D=1 R=1 R=0", RunCalls(engine.Get(), "IDRR"));
    EXPECT_FALSE(running.Running());
    EXPECT_EQ(1u, RunServicesState::Values().size());   // "Keep" stays
    engine.Reset();
    std::string log = ReadWholeFile(dir / "Kestrix.log");
    EXPECT_NE(std::string::npos,
              log.find("Nothing removed: no detection pass on this object found the Duskwire server."))
        << log;
}

TEST_F(ComServerTest, JScriptAndVBScriptDriveTheEngineUnderCscript)
{
    for (const char* script : {"scan.js", "scan.vbs"}) {
        RunServicesState registry;
        ScratchDir dir(std::string("script ") + script);
        TempFile server(FixturePath("server.exe"), dir / "agent.exe");
        ChildProcess running(server.Path());
        std::string output;
        DWORD code = RunAndCapture(SystemDirectory() + "\\cscript.exe",
                                   "cscript //nologo \"" + HelperPath(script) + "\"", dir.Path(), output);
        EXPECT_EQ(11u, code) << script << "\n" << output;
        for (const char* line : {"created", "Init=1", "DetectDW=1", "RemoveDW=1"})
            EXPECT_NE(std::string::npos, output.find(line)) << script << " did not print " << line << "\n" << output;
        EXPECT_FALSE(running.Running()) << script;
        EXPECT_TRUE(FileExists(dir / "Infected Files\\agent.exe.KSX")) << script;
        EXPECT_TRUE(FileExists(dir / "Kestrix.log")) << script;
    }
}
