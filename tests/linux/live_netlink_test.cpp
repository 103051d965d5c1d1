// The netlink dump of the running kernel against sysfs: on this machine, and in a network namespace made for the
// test with a hundred interfaces, so that the dump spans several datagrams.

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "inventory/linux/name_guid.h"
#include "inventory/linux/netlink_links.h"
#include "inventory/linux/sysfs_net.h"

namespace {

// What differs between the two readings, one line per difference; empty when they agree.
std::string Differences(const std::vector<CNetInterface>& fromSysfs, const std::vector<CNetInterface>& fromDump)
{
    std::string out;
    if (fromSysfs.size() != fromDump.size())
        return "sysfs has " + std::to_string(fromSysfs.size()) + " interfaces, the dump " +
               std::to_string(fromDump.size()) + "\n";
    for (size_t i = 0; i < fromSysfs.size(); ++i) {
        const CNetInterface& a = fromSysfs[i];
        const CNetInterface& b = fromDump[i];
        const bool bSame = a.m_strName == b.m_strName && a.m_nIfIndex == b.m_nIfIndex &&
                           a.m_nLinkType == b.m_nLinkType && a.m_address == b.m_address &&
                           a.m_bDeviceBacked == b.m_bDeviceBacked && a.m_bWireless == b.m_bWireless &&
                           a.m_strDevicePath == b.m_strDevicePath && GuidBytes(a.m_guid) == GuidBytes(b.m_guid) &&
                           a.m_strComponentId == b.m_strComponentId && a.m_resourceTypes == b.m_resourceTypes;
        if (!bSame)
            out += "interface " + std::to_string(i) + ": " + a.m_strName + " / " + b.m_strName + "\n";
    }
    return out;
}

// The dump against sysfs here; strMustHold names an interface the dump must list.
std::string CompareHere(size_t nMinimum, const std::string& strMustHold = "")
{
    const std::optional<std::vector<CNetlinkLink>> links = CNetlinkLinkSource().DumpLinks();
    if (!links)
        return "the dump failed\n";
    if (!strMustHold.empty() && std::none_of(links->begin(), links->end(), [&](const CNetlinkLink& link) {
            return link.m_strName == strMustHold;
        }))
        return "the dump lacks " + strMustHold + "\n";
    const std::optional<std::vector<CNetInterface>> fromSysfs = ScanNetInterfaces("/sys");
    if (!fromSysfs)
        return "sysfs cannot be read\n";
    if (fromSysfs->size() < nMinimum)
        return "only " + std::to_string(fromSysfs->size()) + " interfaces\n";
    return Differences(*fromSysfs, ScanNetInterfaces("/sys", *links));
}

TEST(LiveNetlinkTest, DumpAgreesWithSysfsOnThisMachine)
{
    EXPECT_EQ(CompareHere(1), "");
}

// Runs a shell command; true when it succeeded.
bool Shell(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

constexpr const char* kOddName = "odd\x01x";

TEST(LiveNetlinkTest, DumpAgreesWithSysfsInANamespaceOfOurOwn)
{
    if (geteuid() != 0 || !Shell("command -v ip >/dev/null 2>&1"))
        GTEST_SKIP() << "making a network namespace needs root and ip";
    const std::string name = "lumo-netlink-" + std::to_string(getpid());
    if (!Shell("ip netns add " + name + " 2>/dev/null"))
        GTEST_SKIP() << "network namespaces are not permitted here";
    struct CDeleteNamespace {
        std::string name;
        ~CDeleteNamespace() { Shell("ip netns del " + name + " 2>/dev/null"); }
    } deleteNamespace{name};

    // Fifty veth pairs (the kernel here may lack the dummy driver), one of them named as a Wi-Fi card might be, and
    // one more whose name holds a control character, which the kernel allows: the dump keeps it, and every other
    // interface, rather than being given up for sysfs.
    const std::string batch = "/tmp/" + name + ".batch";
    {
        std::ofstream file(batch);
        for (int i = 0; i < 100; i += 2)
            file << "link add v" << i << " type veth peer name v" << i + 1 << "\n";
        file << "link set v0 name wlan_up\n";
        file << "link add " << kOddName << " type veth peer name odd1\n";
    }
    const bool bMade = Shell("ip -n " + name + " -batch " + batch);
    std::remove(batch.c_str());
    ASSERT_TRUE(bMade);

    // A child joins the namespace and mounts a sysfs of it, as "ip netns exec" does, and compares there.
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        std::string result;
        const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || setns(fd, CLONE_NEWNET) != 0 || unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 || umount2("/sys", MNT_DETACH) != 0 ||
            mount(name.c_str(), "/sys", "sysfs", 0, nullptr) != 0)
            result = "cannot enter the namespace\n";
        else
            result = CompareHere(103, kOddName);
        if (write(pipeFds[1], result.data(), result.size()) < 0)
            _exit(2);
        _exit(result.empty() ? 0 : 1);
    }
    close(pipeFds[1]);
    std::string result;
    char chunk[4096];
    for (ssize_t n; (n = read(pipeFds[0], chunk, sizeof(chunk))) > 0;)
        result.append(chunk, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(result, "");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
