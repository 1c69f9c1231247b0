#include "engine/core/Removal.h"

#include "engine/core/PathRules.h"
#include "engine/core/Signature.h"

#include <algorithm>

namespace {

const char kExtraFileName[] = "windll.dll";

// Where a file to move came from decides how much it must prove.
enum class Origin {
    Detected,     // a running image that carried the signature
    Configured,   // a name from a configuration block
    Extra,        // windll.dll: moved after every detection that found the server
};

class RemovalRun {
public:
    RemovalRun(CMachine& machine, const DetectionResult& detection, const unsigned char* signature, CPassHost& host,
               RemovalResult& result)
        : m_machine(machine), m_detection(detection), m_signature(signature), m_host(host), m_result(result)
    {
    }

    void Run()
    {
        Say(RemovalEvent::Started);
        for (const DetectedImage& image : m_detection.images) m_result.processList.push_back(image.path);
        if (!Terminate()) return;
        for (const ConfigFinding& c : m_detection.configs) m_result.processList.push_back(c.record.m_strFileName);
        if (!CleanRegistry()) return;
        m_result.processList.push_back(kExtraFileName);
        if (!Quarantine()) return;
        Say(RemovalEvent::FilesQuarantined);
        m_result.succeeded = true;
    }

private:
    void Say(RemovalEvent::Kind kind, const std::string& subject = std::string())
    {
        m_result.events.push_back({kind, subject});
    }
    bool Same(const std::string& a, const std::string& b) const
    {
        return a.size() == b.size() && m_machine.LowerCase(a) == m_machine.LowerCase(b);
    }
    bool Carries(const std::string& path) const
    {
        return !path.empty() && CheckSignature(m_machine, path, m_signature) == SignatureCheck::Carrier;
    }

    bool Terminate()
    {
        for (const DetectedImage& image : m_detection.images) {
            if (!m_machine.TerminateImage(image.path)) {
                m_host.Notify(EngineNotice::TerminationFailed);
                Say(RemovalEvent::TerminationFailed);
                return false;
            }
            m_result.terminated.push_back(image.path);
        }
        Say(RemovalEvent::Terminated);
        return true;
    }

    // A value goes only when it exists and its data, made a full path as
    // detection makes it, names a file that carries the signature. Each name
    // once; nothing is deleted in place of a name that is not there.
    bool CleanRegistry()
    {
        std::vector<RunServicesValue> present;
        if (!m_machine.ReadRunServices(present)) return RegistryFailed();
        const std::string system = m_machine.SystemDirectory();
        std::vector<std::string> done;
        bool refused = false;
        for (const std::string& listed : m_detection.valueNames) {
            if (listed.empty()) continue;   // an unconfigured server names no value
            if (std::any_of(done.begin(), done.end(), [&](const std::string& d) { return Same(d, listed); })) continue;
            done.push_back(listed);
            const std::string name = listed == kDefaultValueName ? std::string() : listed;
            std::string data;
            ValueLookup lookup = m_machine.LookUpRunServicesValue(name, data);
            if (lookup == ValueLookup::KeyUnavailable) return RegistryFailed();
            if (lookup == ValueLookup::Missing) {
                // Said where something else might have been taken instead:
                // the key's default value, another program's autostart.
                std::string unused;
                if (!name.empty() && m_machine.LookUpRunServicesValue("", unused) == ValueLookup::Found)
                    Say(RemovalEvent::ValueMissing, listed);
            } else if (!Carries(FullPathOfValueData(system, data))) {
                Say(RemovalEvent::ValueLeftAlone, listed);
            } else if (m_machine.DeleteRunServicesValue(name)) {
                m_result.deletedValues.push_back(listed);
            } else {
                Say(RemovalEvent::ValueNotDeleted, listed);
                refused = true;
            }
        }
        if (refused) return RegistryFailed();
        Say(RemovalEvent::RegistryCleaned);
        return true;
    }

    bool RegistryFailed()
    {
        m_host.Notify(EngineNotice::RegistryCleanFailed);
        Say(RemovalEvent::RegistryCleanFailed);
        return false;
    }

    bool Quarantine()
    {
        const std::string base = m_machine.QuarantineDirectory();
        m_base = base;
        m_dir = base + "\\";
        if (base.empty() || (!m_machine.Exists(base) && !m_machine.MakeDirectory(base))) {
            m_host.Notify(EngineNotice::QuarantineDirectoryFailed);
            Say(RemovalEvent::DirectoryFailed, m_dir);
            return false;
        }
        for (const DetectedImage& image : m_detection.images)
            if (!Take(image.path, Origin::Detected)) return false;
        for (const ConfigFinding& c : m_detection.configs)
            if (!Take(c.record.m_strFileName, Origin::Configured)) return false;
        return Take(kExtraFileName, Origin::Extra);
    }

    // Moves one file in if it is the server's; false halts the phase.
    bool Take(std::string path, Origin origin)
    {
        if (origin == Origin::Configured && path.empty()) return true;   // an unconfigured server names none
        if (origin == Origin::Configured && !IsPlainFileName(path)) {
            Say(RemovalEvent::NotPlainFileName, path);
            return true;
        }
        if (IsBareName(path)) {
            const std::string system = m_machine.SystemDirectory();
            if (system.empty()) return Halt(path);   // never the current folder or the root
            path = system + "\\" + path;
        } else if (!IsAbsolutePath(path)) {
            return Halt(path);   // relative to what? nothing is guessed
        }
        // The same file listed twice is moved once.
        if (std::any_of(m_seen.begin(), m_seen.end(), [&](const std::string& s) { return Same(s, path); })) return true;
        m_seen.push_back(path);

        FileState state = m_machine.StateOf(path);
        if (state == FileState::Missing || state == FileState::Directory) return true;
        if (origin != Origin::Extra) {
            SignatureCheck check = CheckSignature(m_machine, path, m_signature);
            if (check == SignatureCheck::Unreadable && origin == Origin::Detected) return Halt(path);
            if (check != SignatureCheck::Carrier) {
                Say(RemovalEvent::FileLeftAlone, path);
                return true;
            }
        }
        if (state == FileState::InUse) return origin == Origin::Extra ? true : Halt(path);

        if (!UseDirectoryFor(path)) return false;
        std::string target = NextTarget(FileNameOf(path));
        switch (MoveIn(path, target)) {
        case MoveResult::Moved:
            m_used.push_back(m_machine.LowerCase(target));
            m_result.quarantined.push_back({path, target});
            return true;
        case MoveResult::NotFound: Say(RemovalEvent::FileNotFound, path); return true;
        case MoveResult::Failed: break;
        }
        return Halt(path);
    }

    // Points m_dir at the file's quarantine directory, made if need be; the
    // pass's own directory was made before anything moved.
    bool UseDirectoryFor(const std::string& path)
    {
        const std::string dir = m_machine.QuarantineDirectoryFor(path);
        m_dir = (dir.empty() ? m_base : dir) + "\\";
        if (dir.empty() || Same(dir, m_base) || m_machine.Exists(dir) || m_machine.MakeDirectory(dir)) return true;
        m_host.Notify(EngineNotice::QuarantineDirectoryFailed);
        Say(RemovalEvent::DirectoryFailed, m_dir);
        return false;
    }

    bool Halt(const std::string& path)
    {
        Say(RemovalEvent::RenameHalted, path);
        return false;
    }

    // The first quarantine name of this file name not yet taken in this pass:
    // a copy from an earlier pass is replaced, one from this pass never.
    std::string NextTarget(const std::string& name) const
    {
        for (int copy = 1;; ++copy) {
            std::string target = m_dir + QuarantineName(name, copy);
            const std::string key = m_machine.LowerCase(target);
            if (std::find(m_used.begin(), m_used.end(), key) == m_used.end()) return target;
        }
    }

    // A name in the quarantine directory that nothing has.
    std::string FreeName(const char* stem) const
    {
        for (int n = 1;; ++n) {
            std::string candidate = m_dir + stem + std::to_string(n) + ".TMP";
            if (!m_machine.Exists(candidate)) return candidate;
        }
    }

    // Never loses a copy: the file comes in under a temporary name, and an
    // older copy of the target's name is set aside and removed only once the
    // new one stands in its place (Windows 9x has no replacing move).
    MoveResult MoveIn(const std::string& path, const std::string& target)
    {
        const bool older = m_machine.Exists(target);
        if (older && m_machine.StateOf(target) == FileState::Directory) return MoveResult::Failed;

        const std::string incoming = FreeName("KSXNEW");
        MoveResult moved = m_machine.Move(path, incoming);
        if (moved != MoveResult::Moved) {
            // A copy across drives that failed half-way leaves a part behind;
            // the original is still there.
            if (m_machine.Exists(incoming) && m_machine.Exists(path)) m_machine.Delete(incoming);
            return moved;
        }
        if (!older)
            return m_machine.Move(incoming, target) == MoveResult::Moved ? MoveResult::Moved : MoveResult::Failed;

        const std::string aside = FreeName("KSXOLD");
        if (m_machine.Move(target, aside) != MoveResult::Moved) return MoveResult::Failed;   // both copies kept
        if (m_machine.Move(incoming, target) != MoveResult::Moved) {
            m_machine.Move(aside, target);
            return MoveResult::Failed;
        }
        m_machine.Delete(aside);   // if it stays, it stays under its own name: nothing is lost
        return MoveResult::Moved;
    }

    CMachine& m_machine;
    const DetectionResult& m_detection;
    const unsigned char* m_signature;
    CPassHost& m_host;
    RemovalResult& m_result;
    std::string m_base;                // the pass's quarantine directory
    std::string m_dir;                 // the current file's, with its final backslash
    std::vector<std::string> m_seen;   // paths handled in this pass
    std::vector<std::string> m_used;   // quarantine names taken in this pass, lower case
};

}   // namespace

void Remove(CMachine& machine, const DetectionResult& detection, const unsigned char* signature, CPassHost& host,
            RemovalResult& result)
{
    RemovalRun(machine, detection, signature, host, result).Run();
}

std::string RemovalLogText(const RemovalEvent& e)
{
    switch (e.kind) {
    case RemovalEvent::Started: return "\n\t     -------------------- Removal Phase ----------------------\n";
    case RemovalEvent::TerminationFailed: return "PROCESS TERMINATION PHASE: Error trying to terminate the process(s).";
    case RemovalEvent::Terminated: return "All running copies of the Duskwire server terminated.\n";
    case RemovalEvent::ValueMissing:
        return "*NOTICE* The RunServices value " + e.subject +
               " does not exist. The key's default value was left in place.\n";
    case RemovalEvent::ValueLeftAlone:
        return "*NOTICE* The RunServices value " + e.subject +
               " does not start a file that carries the Duskwire signature. Value left alone.\n";
    case RemovalEvent::ValueNotDeleted:
        return "REGISTRY CLEAN PHASE: Error trying to delete the value " + e.subject + ".\n";
    case RemovalEvent::RegistryCleanFailed: return "REGISTRY CLEAN PHASE: Error trying to remove registry entries.";
    case RemovalEvent::RegistryCleaned: return "All registry entries removed.\n";
    case RemovalEvent::DirectoryFailed: return "Error creating " + e.subject + " . File rename phase failed.\n";
    case RemovalEvent::NotPlainFileName:
        return "*NOTICE* The file name " + e.subject +
               " in the Duskwire server configuration data is not a plain file name. File not moved.\n";
    case RemovalEvent::FileLeftAlone:
        return "*NOTICE* The file " + e.subject + " does not carry the Duskwire signature. File left alone.\n";
    case RemovalEvent::FileNotFound:
        return "\n*NOTICE*\nThe file " + e.subject +
               " referenced in the Duskwire server configuration\ndata does not exist on your system. It probably "
               "has illegal characters in its name.\nWin95/98 will not create files with illegal characters. This "
               "notice is just for your\ninformation, and has no effect on the removal of Duskwire.\n\n";
    case RemovalEvent::RenameHalted:
        return "Removal halted: Error renaming " + e.subject + " . File rename phase incomplete.";
    case RemovalEvent::FilesQuarantined:
        return "All detected copies of the Duskwire server listed above renamed with a '.KSX'\n"
               "extension in the 'Infected Files' directory.\n";
    }
    return std::string();
}
