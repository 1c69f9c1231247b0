#include "rescue/RescueRun.h"

#include "rescue/Disk.h"
#include "rescue/Installation.h"
#include "rescue/OfflineMachine.h"
#include "engine/core/Signature.h"

#include <cstddef>
#include <memory>

extern const unsigned char kEmbeddedSignature[];
extern const size_t kEmbeddedSignatureSize;

namespace {

// Nothing to show and no one to ask: a pass's notices are in its result.
class QuietHost : public CPassHost {
public:
    void Notify(EngineNotice) override {}
    void ProgressBegin(size_t) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
};

std::string Family(const Installation* i)
{
    return !i ? "no installation" : i->family == WindowsFamily::Win9x ? "Windows 9x/ME" : "Windows NT";
}

void RunInstallation(CDisk& disk, const Installation* installation, const RescueOptions& options, InputReport& report)
{
    QuietHost host;
    COfflineMachine machine(disk, installation, options.allFiles);
    machine.Prepare(report.errors);

    InstallationReport r;
    r.family = Family(installation);
    if (installation) {
        r.volume = installation->volume;
        r.where = std::string(1, machine.LetterOf(installation->volume)) + ":\\" + installation->folder;
        r.registryFile = std::string(1, machine.LetterOf(installation->volume)) + ":\\" + installation->registryFile;
    } else {
        r.where = "(all volumes)";
    }
    r.detection = Detect(machine, kEmbeddedSignature, host);
    r.registryRead = machine.RegistryError().empty() && installation;
    for (const DetectedImage& image : r.detection.images) {
        const ListedFile* listed = machine.ListedAs(image.path);
        r.carriers.push_back({image.path, machine.SizeOf(image.path), listed ? ListedByName(listed->how) : ""});
    }

    if (options.remove && r.detection.found) {
        if (!installation) {
            r.removalRefused = "no Windows installation holds these files; they are reported only";
        } else if (installation->family != WindowsFamily::Win9x) {
            r.removalRefused = "NT-family installations are reported only";
        } else if (!disk.WritableInPlace()) {
            r.removalRefused = disk.Format() + " images are not written to. Make a raw copy (qemu-img convert -O raw " +
                               report.input + " copy.img) and remove from the copy.";
        } else {
            r.removalTried = true;
            Remove(machine, r.detection, kEmbeddedSignature, host, r.removal);
            r.registryBackup = machine.Backup().empty()
                                   ? std::string()
                                   : std::string(1, machine.LetterOf(installation->volume)) + ":\\" + machine.Backup();
            r.registryEditError = machine.EditError();
        }
    }
    r.notChecked = machine.NotChecked();
    report.installations.push_back(std::move(r));
}

}   // namespace

InputReport RunInput(const std::string& input, const RescueOptions& options)
{
    InputReport report;
    report.input = input;
    report.removeMode = options.remove;
    if (kEmbeddedSignatureSize != kSignatureResourceSize) {
        report.errors.push_back("the signature built into this program is damaged");
        return report;
    }
    std::unique_ptr<CDisk> disk = CDisk::Open(input, report.errors);
    if (!disk) {
        report.format = "unknown";
        return report;
    }
    report.format = disk->Format();
    std::vector<Installation> installations;
    for (size_t i = 0; i < disk->Volumes().size(); ++i) {
        const DiskVolume& v = disk->Volumes()[i];
        report.volumes.push_back({v.offset, v.volume->FileSystem(), RoleName(v.role)});
        for (const Installation& found : FindInstallations(*v.volume, i)) installations.push_back(found);
    }
    if (installations.empty() && !disk->Volumes().empty())
        report.errors.push_back(input + ": no Windows installation on any volume");
    for (const Installation& installation : installations) RunInstallation(*disk, &installation, options, report);
    if (installations.empty() && options.allFiles && !disk->Volumes().empty())
        RunInstallation(*disk, nullptr, options, report);
    report.bytesRead = disk->BytesRead();
    return report;
}
