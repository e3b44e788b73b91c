// The assets of an import, extracted by one thread or by several at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/asset_writer.h"

// Runs beside the assets: the choice of the game library, which needs the
// thread's own buffers. Its failure stops every asset.
using LibraryCheck = std::function<ImportFailure(EntryBuffers& buffers)>;

// Makes target and writes the assets (indices into archive.entries(), in
// directory order) into it on up to `workers` threads, the calling one among
// them. check_library (may be empty) runs first on one of them, so that the
// library's inflating costs the others no time; serially it runs before
// anything is written. The files are those of writing one entry after the
// other: entries with the same output file go to one worker, in directory
// order. A failure stops every entry after it in directory order at once,
// and the entries before it are still written: the failure returned is that
// of the first failing entry in directory order, as serially; a failed
// check_library comes before them all. Files are closed on closing threads,
// and it returns only once every close has. A raised cancel (may be null)
// stops every worker at its next piece; the result is then
// cancelled_failure(). Exceptions are raised on the calling thread.
ImportFailure extract_assets(const ApkArchive& archive, const std::vector<size_t>& assets,
                             const std::filesystem::path& target, FolderMaker& folders,
                             ProgressCounter& progress, unsigned workers,
                             const std::atomic<bool>* cancel = nullptr,
                             const LibraryCheck& check_library = {});
