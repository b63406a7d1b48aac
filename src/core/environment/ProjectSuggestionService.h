#pragma once

#include <QString>
#include <optional>

namespace devnook {

// What a folder suggests for the empty fields of a project form.
struct ProjectSuggestions {
    std::optional<QString> localhostURL;  // "http://localhost:5173"
    std::optional<QString> devCommand;    // "pnpm dev"
    std::optional<QString> editorCommand; // "cursor ." or "code ."
    std::optional<QString> stack;         // "Vue", "Rust", "Static"…

    bool operator==(const ProjectSuggestions &) const = default;
};

// Recognises a project from the well-known files at the top of its folder:
// manifests, lock files and framework configuration. Nothing is run and no
// subfolder is looked at.
namespace ProjectSuggestionService {

// What the folder suggests; an unreadable or malformed file counts as absent.
ProjectSuggestions suggestions(const QString &folderPath);

// The first port a text names ("localhost:5173", "--port 4000", "PORT=3000",
// "port: 8080"); an earlier pattern wins over an earlier position.
std::optional<int> firstPort(const QString &text);

// True when an executable file of that name is in one of the usual folders of
// installed commands; the user's PATH is not consulted.
bool commandExists(const QString &name);

} // namespace ProjectSuggestionService

} // namespace devnook
