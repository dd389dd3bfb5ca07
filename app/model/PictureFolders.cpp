#include "app/model/PictureFolders.h"

#include "app/model/OutputPath.h"
#include "app/model/formats/FormatTable.h"
#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

class CFolderWalk {
  public:
    CFolderWalk(const ResizeSetting& setting, PictureList& list)
        : m_setting(setting), m_list(list) {}

    // `folder` is canonical: below it, nothing is a link, so each path is canonical too.
    void Walk(const fs::path& folder) {
        if (!m_walked.insert(folder).second || m_runFolders.count(folder))
            return;
        std::vector<std::string> pictures, folders;
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.starts_with('.'))
                continue;
            std::error_code kindError;
            const fs::file_status kind = it->symlink_status(kindError);
            if (fs::is_directory(kind))
                folders.push_back(name);
            else if (!fs::is_symlink(kind) || !fs::is_directory(it->status(kindError)))
                if (IsPictureExt(plat::SplitPath(name).ext))
                    pictures.push_back(name);
        }
        if (ec) {
            m_list.unreadable.push_back(folder.string());
            return;
        }
        // Byte order: std::string compares its characters as unsigned.
        std::sort(pictures.begin(), pictures.end());
        std::sort(folders.begin(), folders.end());
        for (const std::string& name : pictures)
            m_list.pictures.push_back((folder / name).string());
        m_list.fromFolders += pictures.size();
        NoteRunFolders(folder);
        for (const std::string& name : folders)
            Walk(folder / name);
    }

  private:
    // The folders the output rule writes the pictures of `folder` into: this run's, and the
    // "resize" folder, which holds the outputs of earlier runs whatever this one's choice.
    void NoteRunFolders(const fs::path& folder) {
        ResizeSetting beside = m_setting;
        beside.bOverwrite = 0;
        beside.strDestFolder.clear();
        const ResizeSetting* rules[] = {&m_setting, &beside};
        for (const ResizeSetting* rule : rules) {
            const auto choice = ChooseOutput(*rule, (folder / "picture.jpg").string(), nullptr);
            if (!choice || choice->folder.empty())
                continue;
            std::error_code ec;
            const fs::path out = fs::weakly_canonical(choice->folder, ec);
            if (!ec)
                m_runFolders.insert(out.has_filename() ? out : out.parent_path());
        }
    }

    const ResizeSetting& m_setting;
    PictureList& m_list;
    std::set<fs::path> m_walked;     // a folder handed over twice, or inside another, counts once
    std::set<fs::path> m_runFolders; // where the run writes
};

} // namespace

PictureList ExpandPictureFolders(const std::vector<std::string>& paths,
                                 const ResizeSetting& setting) {
    PictureList list;
    CFolderWalk walk(setting, list);
    for (const std::string& path : paths) {
        std::error_code ec;
        // The folder the user chose is taken also through a link: only links met inside a tree
        // are left alone.
        if (!fs::is_directory(path, ec)) {
            list.pictures.push_back(path);
            continue;
        }
        const fs::path folder = fs::canonical(path, ec);
        if (ec)
            list.unreadable.push_back(path);
        else
            walk.Walk(folder);
    }
    return list;
}
