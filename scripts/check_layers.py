#!/usr/bin/env python3
"""Checks the layering of src/: each folder includes only its own folder and folders of a
lower rank; features (and their windows) include one another only where ALLOWED names the
pair with its reason; the core folders include no widget header; and the folders' include
graph has no circle."""
import re
import sys
from pathlib import Path

WIDGET_MODULES = ("QtWidgets/",)
WIDGET_CLASS = re.compile(
    r"<Q(Widget|Dialog|MainWindow|Application|Abstract(Button|ItemView|ScrollArea)|ListWidget|"
    r"ListView|TableView|TreeView|LineEdit|TextEdit|PlainTextEdit|ComboBox|Action|PushButton|"
    r"Label|CheckBox|RadioButton|Menu|MenuBar|Slider|ProgressBar|GroupBox|FileDialog|"
    r"MessageBox|SpinBox|StyledItemDelegate|HeaderView|Style|BoxLayout|VBoxLayout|HBoxLayout|"
    r"GridLayout|DialogButtonBox|ButtonGroup|ToolBar|StatusBar|Splitter)>")
FEATURES = ("intake", "library", "playlist", "playback", "editing", "reports", "upgrade", "net")
RANKS = {"platform": 0, "db": 1, "media": 2, "model": 3, **{f: 4 for f in FEATURES}, "ui": 5,
         **{f + "/gui": 6 for f in FEATURES}, "cli": 6, "app": 7, "app/options": 7}
# Feature to feature, each with the reason the pair may not go through a lower rank.
ALLOWED = {}  # every feature stands on one floor: none includes another
INCLUDE = re.compile(r'#include\s+([<"])([^>"]+)[>"]')


def folder_of(path, root):
    return str(path.parent.relative_to(root))


def is_gui_folder(folder):
    return folder.split("/")[0] in ("app", "ui") or folder.endswith("/gui") or "/gui/" in folder


def feature_of(folder):
    head = folder.split("/")[0]
    return head if head in FEATURES else None


def rank_problem(folder, target_folder):
    """Why `folder` may not include `target_folder`, or None."""
    if folder not in RANKS or target_folder not in RANKS:
        return f"folder without a rank ({folder if folder not in RANKS else target_folder})"
    mine, theirs = feature_of(folder), feature_of(target_folder)
    if mine and theirs and mine != theirs:
        if (folder, target_folder) in ALLOWED:
            return None
        return "one feature includes another outside the allow-list"
    if RANKS[target_folder] > RANKS[folder] or (
            RANKS[target_folder] == RANKS[folder] and mine != theirs):
        return f"rank {RANKS[folder]} includes rank {RANKS[target_folder]}"
    return None


def main(root):
    root = Path(root)
    problems = []
    graph = {}
    units = {}  # a header and its source are one unit: "media/CTagFile"
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or path.name == "main.cpp":
            continue
        folder = folder_of(path, root)
        graph.setdefault(folder, set())
        unit = str(path.relative_to(root).with_suffix(""))
        units.setdefault(unit, set())
        for kind, target in INCLUDE.findall(path.read_text(errors="replace")):
            if kind == '"' and str(Path(target).with_suffix("")) != unit:
                units[unit].add(str(Path(target).with_suffix("")))
            if kind == '"':
                target_folder = str(Path(target).parent)
                if target_folder not in (folder, "."):
                    graph[folder].add(target_folder)
                    why = rank_problem(folder, target_folder)
                    if why:
                        problems.append(f"{path}: includes {target}: {why}")
                if not is_gui_folder(folder) and is_gui_folder(target_folder):
                    problems.append(f"{path}: core file includes {target}")
            elif not is_gui_folder(folder) and (
                    target.startswith(WIDGET_MODULES) or WIDGET_CLASS.match(f"<{target}>")):
                problems.append(f"{path}: core file includes <{target}>")
    problems += cycles(graph)
    # Inside a folder too, no files include each other in a circle.
    problems += cycles({u: {t for t in ts if t in units} for u, ts in units.items()})
    for problem in problems:
        print(problem)
    print(f"{len(graph)} folders checked, {len(problems)} problems")
    return 1 if problems else 0


def cycles(graph):
    found, state = [], {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                found.append("include circle: " + " -> ".join(trail[trail.index(nxt):] + [nxt]))
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return found


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "src"))
