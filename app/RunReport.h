// What the run report shows, gathered while the run goes: every model with its outcome and the
// source it came from, the manager's load record, the codes read from the game tables and the
// warnings of the run.
#pragma once

#include "app/ChangeSummary.h"
#include "app/IdentityTable.h"
#include "app/KeyIdentity.h"
#include "app/LookupTables.h"
#include "app/NumberSlots.h"
#include "resources/LoadRecord.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class ModelRecord;

enum class ModelOutcome : std::uint8_t { Weapon, ArmorVariation, ArmorPart, Ignored };

/// The four tables the run reads, in the order it reads them.
inline constexpr std::array<const char*, 4> kReportTables = {"gender", "appearance", "armorvisualdata", "baseitems"};

/// One distinct model of the combined index. Keys and reasons are shared by many models: each is
/// one of the report's texts, kept once and known by its number.
struct ReportModel {
    std::string_view name;       ///< as the source stores it; kept by the report
    std::uint32_t source;        ///< number in the load record's sources, or LoadRecord::npos
    ModelOutcome outcome;
    std::uint32_t number;       ///< its number in the list it feeds (counted models)
    std::uint32_t visualNumber; ///< armor variations: its number in the armor-visual-type list
    /// The numbers among the report's texts (RunReport::Text) of the key of the list it feeds
    /// (counted models), of the armor-visual-type list's key (armor variations) and of why it was
    /// ignored (ignored models); RunReport::kNoText where the model has no such text. Equal texts
    /// have equal numbers.
    std::uint32_t keyText;
    std::uint32_t visualKeyText;
    std::uint32_t reasonText;
};

/// A game table as the run read it.
struct ReportTable {
    std::string name;
    std::size_t rows = 0;
    bool read = false;
    /// The codes model names are matched against that this table filled (the tool's own fixed
    /// entries included), each once, in list order.
    std::vector<std::string> codes;
};

class RunReport {
public:
    /// The text number of an empty key or reason.
    static constexpr std::uint32_t kNoText = UINT32_MAX;

    RunReport(std::string module, std::string install, std::string home);
    // The models point into m_Blocks: a copy would point into the original's.
    RunReport(const RunReport&) = delete;
    RunReport& operator=(const RunReport&) = delete;

    /// A model the run counted; its keys are taken from the record.
    void AddCounted(std::string_view name, std::uint32_t source, const ModelRecord& record,
                    const LookupTables::ArmorVisualTypeIndexMap& visualIndex);
    void AddIgnored(std::string_view name, std::uint32_t source, std::string_view reason);
    /// Room for count models, as many as the run may add.
    void ReserveModels(std::size_t count) { m_Models.reserve(count); }
    void SetLoad(LoadRecord load);
    /// The four tables: rows[i] is the row count of kReportTables[i] (0 when not read) and read[i]
    /// whether it was read.
    void SetTables(const LookupTables& tables, const std::array<std::size_t, 4>& rows, const std::array<bool, 4>& read);
    void SetWarnings(std::vector<std::string> warnings) { m_Warnings = std::move(warnings); }
    /// How "auto" found each folder ("Steam library, Enhanced Edition"); empty for a folder the
    /// configuration names.
    void SetFolderOrigins(std::string install, std::string home)
    {
        m_InstallOrigin = std::move(install);
        m_HomeOrigin = std::move(home);
    }
    /// What the run changed in the script in place before it; none when there was no such script.
    void SetChanges(std::optional<ChangeSummary> changes) { m_Changes = std::move(changes); }

    const std::string& Module() const { return m_Module; }
    const std::string& Install() const { return m_Install; }
    const std::string& Home() const { return m_Home; }
    const std::string& InstallOrigin() const { return m_InstallOrigin; }
    const std::string& HomeOrigin() const { return m_HomeOrigin; }
    const std::vector<ReportModel>& Models() const { return m_Models; }
    const LoadRecord& Load() const { return m_Load; }
    const std::array<ReportTable, 4>& Tables() const { return m_Tables; }
    const std::vector<std::string>& Warnings() const { return m_Warnings; }
    const std::optional<ChangeSummary>& Changes() const { return m_Changes; }

    /// Models per outcome, indexed by ModelOutcome.
    std::array<std::size_t, 4> Counts() const;
    /// The numbers of Models() sorted by name (bytewise); equal names keep their order. Sorted
    /// once for all the files of the report.
    const std::vector<std::size_t>& ModelsByName() const;
    /// One of the report's texts by its number in ReportModel; empty for kNoText.
    std::string_view Text(std::uint32_t number) const
    {
        return number == kNoText ? std::string_view() : m_Texts[number];
    }
    /// How many texts the report keeps (their numbers run from 0).
    std::size_t TextCount() const { return m_Texts.size(); }
    /// The rank of each of the report's texts (by the numbers of ReportModel) in bytewise order.
    const std::vector<std::uint32_t>& TextRanks() const;
    /// The source's path shown relative to the home or installation folder ("home:hak/x.hak",
    /// "install:Data/2DA.zip", with "/" between folders); a path below neither is shown whole.
    std::string ShowPath(const std::string& path) const;
    /// ShowPath of a source's path; empty for LoadRecord::npos.
    const std::string& ContainerOf(std::uint32_t source) const;
    /// The tier of a source; empty for LoadRecord::npos.
    const std::string& TierOf(std::uint32_t source) const;

private:
    std::string m_Module;
    std::string m_Install;
    std::string m_Home;
    std::string m_InstallOrigin;
    std::string m_HomeOrigin;
    /// The number of text among m_Texts, added if new.
    std::uint32_t Keep(std::string_view text);
    /// Identities of keys met, each with the number of its key's text (by identity number).
    struct KeyTexts {
        IdentityTable identities;
        std::vector<std::uint32_t> texts;
    };
    /// The number of the key of identity, which write(std::string&) writes; written only for an
    /// identity not met before in keys.
    template <class Write>
    std::uint32_t KeyOf(KeyTexts& keys, const KeyIdentity& identity, const Write& write);

    /// A copy of bytes among m_Blocks.
    std::string_view KeepBytes(std::string_view bytes);

    std::vector<ReportModel> m_Models;
    /// The models' names and the texts one after another, in blocks that never move.
    std::vector<std::unique_ptr<char[]>> m_Blocks;
    char* m_Room = nullptr;
    std::size_t m_RoomLeft = 0;
    /// The keys and reasons of the models, each once.
    std::vector<std::string_view> m_Texts;
    NumberSlots m_TextNumbers; ///< the numbers of m_Texts by the texts' hashes
    /// The text numbers of the list keys and armor-visual-type keys met, by what they are made of.
    KeyTexts m_IndexKeys;
    KeyTexts m_VisualKeys;
    /// The text number of the reason the last ignored model gave; kNoText before the first.
    std::uint32_t m_LastReason = kNoText;
    /// Room for the keys made from a record, kept from model to model.
    std::string m_Scratch;
    /// TextRanks, current while it ranks as many texts as m_Texts (texts are only added).
    mutable std::vector<std::uint32_t> m_TextRanks;
    /// ModelsByName, current while it counts as many models as m_Models (models are only added).
    mutable std::vector<std::size_t> m_ByName;
    LoadRecord m_Load;
    std::vector<std::string> m_ShownPaths; ///< ShowPath of each source
    std::array<ReportTable, 4> m_Tables;
    std::vector<std::string> m_Warnings;
    std::optional<ChangeSummary> m_Changes;
};

/// The outcome as the report words it: "weapon", "armor variation", "armor part", "ignored".
const char* OutcomeName(ModelOutcome outcome);

} // namespace brindle
