#include "rescue/Report.h"

#include "rescue/Json.h"
#include "engine/core/PathRules.h"

bool InputReport::Found() const
{
    for (const InstallationReport& i : installations)
        if (i.detection.found) return true;
    return false;
}

bool InputReport::RemovalFailed() const
{
    for (const InstallationReport& i : installations)
        if (i.detection.found && removeMode && (!i.removalTried || !i.removal.succeeded)) return true;
    return false;
}

bool InputReport::Incomplete() const
{
    if (!errors.empty()) return true;
    for (const InstallationReport& i : installations)
        if (!i.detection.unreadableImages.empty() || !i.detection.unreadableConfigFiles.empty()) return true;
    return false;
}

int InputReport::Status() const
{
    if (Incomplete() || RemovalFailed()) return 2;
    return Found() ? 1 : 0;
}

std::string InputReport::Verdict() const
{
    if (RemovalFailed()) return "removal incomplete";
    if (Found()) return removeMode ? "removed" : "infected";
    return Incomplete() ? "incomplete" : "clean";
}

std::string ReportText(const InputReport& r)
{
    std::string t = "Input " + r.input + " (" + r.format + ")\n";
    for (size_t i = 0; i < r.volumes.size(); ++i)
        t += "\tvolume " + std::to_string(i + 1) + ": " + r.volumes[i].role + ", " + r.volumes[i].fileSystem +
             ", offset " + std::to_string(r.volumes[i].offset) + "\n";
    for (const std::string& e : r.errors) t += "ERROR: " + e + "\n";
    for (const InstallationReport& i : r.installations) {
        t += "\n=== " + i.where + " (" + i.family + "), volume " + std::to_string(i.volume + 1) + " ===\n";
        if (i.family != "Windows 9x/ME")
            t += "NT-family installation: reported only (Duskwire starts itself through RunServices, which only "
                 "Windows 95, 98 and ME honour).\n";
        t += DetectionLogText(i.detection);
        if (!i.carriers.empty()) {
            t += "\nFiles that carry the Duskwire signature:\n";
            for (const CarrierReport& c : i.carriers)
                t += "\t" + c.path + " (" + std::to_string(c.size) + " bytes, " + c.how + ")\n";
        }
        for (const ConfigFinding& c : i.detection.configs)
            t += "Configuration data in " + c.imagePath + ": file name \"" + c.record.m_strFileName +
                 "\", value name \"" + c.record.m_strValueName + "\"\n";
        if (!i.notChecked.empty()) {
            t += "\nNot checked (not on a volume of this input):\n";
            for (const std::string& p : i.notChecked) t += "\t" + p + "\n";
        }
        if (!i.removalRefused.empty()) t += "\nNo removal: " + i.removalRefused + "\n";
        if (i.removalTried) {
            for (const RemovalEvent& e : i.removal.events) {
                std::string line = RemovalLogText(e);
                t += line;
                if (!line.empty() && line.back() != '\n') t += "\n";
            }
            if (!i.registryBackup.empty()) t += "The registry file as it was is kept as " + i.registryBackup + ".\n";
            if (!i.registryEditError.empty()) t += "Registry edit: " + i.registryEditError + "\n";
        }
    }
    t += "\nVerdict: " + r.Verdict() + "\n";
    // Names from a suspect disk may hold terminal control bytes: never passed on.
    for (char& c : t)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F) c = '?';
    return t;
}

std::string ReportJson(const InputReport& r)
{
    CJson j;
    j.Begin().Field("input", r.input).Field("format", r.format).Field("mode", r.removeMode ? "remove" : "scan");
    j.BeginArray("volumes");
    for (const VolumeReport& v : r.volumes)
        j.Begin().Field("offset", v.offset).Field("file_system", v.fileSystem).Field("partition", v.role).End();
    j.EndArray().BeginArray("installations");
    for (const InstallationReport& i : r.installations) {
        j.Begin().Field("folder", i.where).Field("family", i.family).Field("volume", uint64_t(i.volume + 1));
        j.Field("registry_file", i.registryFile).Field("registry_read", i.registryRead);
        j.BeginArray("run_services");
        for (const RunServicesFinding& v : i.detection.values)
            j.Begin()
                .Field("name", v.name)
                .Field("data", v.data)
                .Field("path", v.path)
                .Field("signature", v.carrier)
                .End();
        j.EndArray().BeginArray("carriers");
        for (const CarrierReport& c : i.carriers)
            j.Begin().Field("path", c.path).Field("size", c.size).Field("found_by", c.how).End();
        j.EndArray().BeginArray("configuration_records");
        for (const ConfigFinding& c : i.detection.configs)
            j.Begin()
                .Field("file", c.imagePath)
                .Field("file_name", c.record.m_strFileName)
                .Field("value_name", c.record.m_strValueName)
                .Field("named_path", c.namedPath)
                .Field("named_signature", c.namedCarrier)
                .End();
        j.EndArray().BeginArray("not_checked");
        for (const std::string& p : i.notChecked) j.Item(p);
        j.EndArray().BeginArray("unreadable");
        for (const std::string& p : i.detection.unreadableImages) j.Item(p);
        j.EndArray().Field("found", i.detection.found);
        if (r.removeMode) {
            j.Begin("removal");
            j.Field("tried", i.removalTried).Field("refused", i.removalRefused).Field("succeeded", i.removal.succeeded);
            j.BeginArray("deleted_values");
            for (const std::string& v : i.removal.deletedValues) j.Item(v);
            j.EndArray().BeginArray("quarantined");
            for (const QuarantinedFile& q : i.removal.quarantined)
                j.Begin().Field("from", q.from).Field("to", q.to).End();
            j.EndArray().BeginArray("log");
            for (const RemovalEvent& e : i.removal.events) j.Item(RemovalLogText(e));
            j.EndArray().Field("registry_backup", i.registryBackup).Field("registry_error", i.registryEditError);
            j.End();
        }
        j.End();
    }
    j.EndArray().BeginArray("errors");
    for (const std::string& e : r.errors) j.Item(e);
    j.EndArray().Field("bytes_read", r.bytesRead).Field("verdict", r.Verdict()).Field("status", uint64_t(r.Status()));
    j.End();
    return j.Text();
}
