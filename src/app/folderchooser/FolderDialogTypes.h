#pragma once

#include <cstdint>
#include <initializer_list>

// The options and roots the folder chooser offers, with the values the folder browser reads.

// Ordinals are the bit numbers of TBrowseInfoFlagSet.
enum class TBrowseInfoFlags : uint8_t {
    OnlyComputers = 0,
    OnlyPrinters = 1,
    OnlyDomains = 2,
    OnlyAncestors = 3,
    OnlyFileSystem = 4,
    ShowPath = 5,
};

// A set of TBrowseInfoFlags held in one byte (bit n is the member with ordinal n), written as
// {TBrowseInfoFlags::OnlyFileSystem, TBrowseInfoFlags::ShowPath}.
class TBrowseInfoFlagSet {
public:
    constexpr TBrowseInfoFlagSet() = default;
    constexpr TBrowseInfoFlagSet(std::initializer_list<TBrowseInfoFlags> members) {
        for (TBrowseInfoFlags member : members)
            FBits = static_cast<uint8_t>(FBits | Bit(member));
    }

    constexpr bool Contains(TBrowseInfoFlags member) const { return (FBits & Bit(member)) != 0; }
    constexpr void Include(TBrowseInfoFlags member) {
        FBits = static_cast<uint8_t>(FBits | Bit(member));
    }
    constexpr void Exclude(TBrowseInfoFlags member) {
        FBits = static_cast<uint8_t>(FBits & ~Bit(member));
    }
    constexpr uint8_t Bits() const { return FBits; }
    constexpr bool operator==(const TBrowseInfoFlagSet&) const = default;

private:
    static constexpr uint8_t Bit(TBrowseInfoFlags member) {
        return static_cast<uint8_t>(1u << static_cast<unsigned>(member));
    }
    uint8_t FBits = 0;
};

// Option bits of the folder browser, as the platform's browse dialog numbers them.
enum : uint32_t {
    BIF_RETURNONLYFSDIRS = 0x0001,
    BIF_DONTGOBELOWDOMAIN = 0x0002,
    BIF_STATUSTEXT = 0x0004,
    BIF_RETURNFSANCESTORS = 0x0008,
    BIF_BROWSEFORCOMPUTER = 0x1000,
    BIF_BROWSEFORPRINTER = 0x2000,
};

// The browser's option bits for a flag set; {OnlyFileSystem, ShowPath} gives 0x0005.
constexpr uint32_t BrowseFlagBits(TBrowseInfoFlagSet flags) {
    constexpr uint32_t bits[] = {BIF_BROWSEFORCOMPUTER, BIF_BROWSEFORPRINTER, BIF_DONTGOBELOWDOMAIN,
                                 BIF_RETURNFSANCESTORS, BIF_RETURNONLYFSDIRS, BIF_STATUSTEXT};
    uint32_t result = 0;
    for (unsigned ordinal = 0; ordinal < 6; ++ordinal)
        if (flags.Contains(static_cast<TBrowseInfoFlags>(ordinal)))
            result |= bits[ordinal];
    return result;
}

enum class TSHFolders : uint8_t {
    foDesktop = 0,
    foDesktopExpanded = 1,
    foPrograms = 2,
    foControlPanel = 3,
    foPrinters = 4,
    foPersonal = 5,
    foFavorites = 6,
    foStartup = 7,
    foRecent = 8,
    foSendto = 9,
    foRecycleBin = 10,
    foStartMenu = 11,
    foDesktopFolder = 12,
    foMyComputer = 13,
    foNetwork = 14,
    foNetworkNeighborhood = 15,
    foFonts = 16,
    foTemplates = 17,
};

// Special-folder identifiers, as the platform numbers them.
enum : int {
    CSIDL_DESKTOP = 0,
    CSIDL_PROGRAMS = 2,
    CSIDL_CONTROLS = 3,
    CSIDL_PRINTERS = 4,
    CSIDL_PERSONAL = 5,
    CSIDL_FAVORITES = 6,
    CSIDL_STARTUP = 7,
    CSIDL_RECENT = 8,
    CSIDL_SENDTO = 9,
    CSIDL_BITBUCKET = 10,
    CSIDL_STARTMENU = 11,
    CSIDL_DESKTOPDIRECTORY = 16,
    CSIDL_DRIVES = 17,
    CSIDL_NETWORK = 18,
    CSIDL_NETHOOD = 19,
    CSIDL_FONTS = 20,
    CSIDL_TEMPLATES = 21,
};

// The special folder a root stands for; -1 for foDesktopExpanded, which passes no root and
// leaves the browser its whole tree.
constexpr int SpecialFolderId(TSHFolders folder) {
    constexpr int ids[] = {CSIDL_DESKTOP,
                           -1,
                           CSIDL_PROGRAMS,
                           CSIDL_CONTROLS,
                           CSIDL_PRINTERS,
                           CSIDL_PERSONAL,
                           CSIDL_FAVORITES,
                           CSIDL_STARTUP,
                           CSIDL_RECENT,
                           CSIDL_SENDTO,
                           CSIDL_BITBUCKET,
                           CSIDL_STARTMENU,
                           CSIDL_DESKTOPDIRECTORY,
                           CSIDL_DRIVES,
                           CSIDL_NETWORK,
                           CSIDL_NETHOOD,
                           CSIDL_FONTS,
                           CSIDL_TEMPLATES};
    return ids[static_cast<unsigned>(folder)];
}
