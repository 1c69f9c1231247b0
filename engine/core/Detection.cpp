#include "engine/core/Detection.h"

#include "engine/core/ConfigurationBlock.h"
#include "engine/core/PathRules.h"
#include "engine/core/Signature.h"

#include <algorithm>

namespace {

// Ends the progress report however the scan ends.
class ProgressScope {
public:
    ProgressScope(CPassHost& host, size_t files) : m_host(host) { m_host.ProgressBegin(files); }
    ~ProgressScope() { m_host.ProgressEnd(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    CPassHost& m_host;
};

class DetectionRun {
public:
    DetectionRun(CMachine& machine, const unsigned char* signature, CPassHost& host)
        : m_machine(machine), m_signature(signature), m_host(host)
    {
    }

    DetectionResult Run()
    {
        ReadRunServices();
        std::vector<std::string> running;
        if (!m_machine.ListRunningImages(running)) running.clear();

        // Registered images that are running and lie under a directory
        // named system are the strongest suspects: tested first.
        std::vector<std::string> suspects = RegisteredRunningInSystem(running);
        // Filled by the first test, else by the full scan below: a list of
        // every running image is never what it ends as.
        std::vector<std::string> processList;
        bool foundFirst = false;
        if (!suspects.empty()) {
            processList = Carriers(suspects, false);
            foundFirst = !processList.empty();
        }
        const size_t firstCount = processList.size();

        std::vector<std::string> carriers = Carriers(running, true);
        const bool found = !carriers.empty();
        size_t configCount = 0;
        if (foundFirst) {
            // The carriers the first test did not find follow it, and only
            // their blocks are read.
            const std::vector<std::string> first = processList;
            for (const std::string& path : carriers)
                if (!path.empty() && !Contains(first, path)) {
                    processList.push_back(path);
                    ++configCount;
                }
        } else {
            // Only the full scan found carriers: the last one's block is read
            // (the removal pairs that one record with it).
            processList = carriers;
            configCount = found ? 1 : 0;
        }

        m_result.found = found;
        m_result.processList = processList;
        if (!found) {
            for (const RunServicesFinding& v : m_result.values)
                if ((!v.name.empty() || !v.data.empty()) && !v.path.empty()) m_result.registryList.push_back(v.path);
            return m_result;
        }

        for (size_t i = 0; i < processList.size(); ++i)
            m_result.images.push_back(
                {processList[i], i < firstCount && foundFirst ? FoundBy::RunServices : FoundBy::FullScan});
        ReadConfigurations(processList, configCount);
        MatchValueNames(processList);
        m_result.registryList = m_result.valueNames;
        return m_result;
    }

private:
    bool SamePath(const std::string& a, const std::string& b) const
    {
        return a.size() == b.size() && m_machine.LowerCase(a) == m_machine.LowerCase(b);
    }
    bool Contains(const std::vector<std::string>& list, const std::string& path) const
    {
        return std::any_of(list.begin(), list.end(), [&](const std::string& e) { return SamePath(e, path); });
    }

    void ReadRunServices()
    {
        std::vector<RunServicesValue> values;
        if (!m_machine.ReadRunServices(values)) return;
        const std::string system = m_machine.SystemDirectory();
        for (const RunServicesValue& v : values) {
            RunServicesFinding f;
            f.name = v.name;
            f.data = v.data;
            f.path = FullPathOfValueData(system, v.data);
            f.carrier = !f.path.empty() && CheckSignature(m_machine, f.path, m_signature) == SignatureCheck::Carrier;
            m_result.values.push_back(f);
        }
    }

    std::vector<std::string> RegisteredRunningInSystem(const std::vector<std::string>& running) const
    {
        std::vector<std::string> suspects;
        for (const RunServicesFinding& v : m_result.values) {
            if ((v.name.empty() && v.data.empty()) || v.path.empty()) continue;
            for (const std::string& image : running)   // once per running process
                if (SamePath(v.path, image)) suspects.push_back(v.path);
        }
        suspects.erase(std::remove_if(suspects.begin(), suspects.end(),
                                      [&](const std::string& path) {
                                          return m_machine.LowerCase(path).find("\\system") == std::string::npos;
                                      }),
                       suspects.end());
        return suspects;
    }

    // The entries that carry the signature, in their order; each is read
    // once, an unreadable one is noted.
    std::vector<std::string> Carriers(const std::vector<std::string>& paths, bool showProgress)
    {
        std::vector<std::string> carriers;
        if (showProgress) {
            ProgressScope progress(m_host, paths.size());
            for (const std::string& path : paths) {
                m_host.ProgressStep();
                if (Test(path)) carriers.push_back(path);
            }
        } else {
            for (const std::string& path : paths)
                if (Test(path)) carriers.push_back(path);
        }
        return carriers;
    }

    bool Test(const std::string& path)
    {
        SignatureCheck check = CheckSignature(m_machine, path, m_signature);
        if (check == SignatureCheck::Unreadable) m_result.unreadableImages.push_back(path);
        return check == SignatureCheck::Carrier;
    }

    void ReadConfigurations(const std::vector<std::string>& processList, size_t count)
    {
        const std::string system = m_machine.SystemDirectory();
        for (size_t i = processList.size() - std::min(count, processList.size());
             i < processList.size() && m_result.configs.size() < kConfigSlots; ++i) {
            const std::string& path = processList[i];
            ConfigurationBlock block{};   // bytes past the end of the file stay zero
            size_t got = 0;
            if (!m_machine.ReadAt(path, kConfigurationOffset, block.data(), block.size(), got)) {
                m_result.unreadableConfigFiles.push_back(path);
                continue;
            }
            ConfigFinding f;
            f.imagePath = path;
            f.record = *ParseConfigurationBlock(block);
            if (IsPlainFileName(f.record.m_strFileName) && !system.empty()) {
                f.namedPath = system + "\\" + f.record.m_strFileName;
                f.namedCarrier = CheckSignature(m_machine, f.namedPath, m_signature) == SignatureCheck::Carrier;
            }
            m_result.configs.push_back(f);
        }
    }

    void MatchValueNames(const std::vector<std::string>& processList)
    {
        for (const RunServicesFinding& v : m_result.values)
            if (!v.path.empty() && Contains(processList, v.path))
                m_result.valueNames.push_back(v.name.empty() ? kDefaultValueName : v.name);
        for (const ConfigFinding& c : m_result.configs) m_result.valueNames.push_back(c.record.m_strValueName);
    }

    CMachine& m_machine;
    const unsigned char* m_signature;
    CPassHost& m_host;
    DetectionResult m_result;
};

}   // namespace

DetectionResult Detect(CMachine& machine, const unsigned char* signature, CPassHost& host)
{
    return DetectionRun(machine, signature, host).Run();
}

std::string DetectionLogText(const DetectionResult& d)
{
    std::string text;
    for (const std::string& path : d.unreadableImages)
        text += "FILE SCAN PHASE: Error trying to open the file " + path + " for scanning.  File skipped.";
    if (!d.found) return text + "\n\t   ---------------- Duskwire NOT detected ----------------\n";
    for (const std::string& path : d.unreadableConfigFiles)
        text += "CONFIGURATION SCAN PHASE: Error trying to open the file " + path +
                " for configuration scanning.  File skipped.";
    text += "\t     --------------- Detection Phase Started -----------------\n"
            "Duskwire server installed as the following values under the registry key\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices:\n";
    for (const std::string& name : d.valueNames) text += "\t" + name + "\n";
    text += "\nDuskwire server found running as the following processes:\n";
    for (const DetectedImage& image : d.images) text += "\t" + image.path + "\n";
    return text;
}
