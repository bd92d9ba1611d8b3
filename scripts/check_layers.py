#!/usr/bin/env python3
"""Checks the layering of src/: the core folders include no widget header and nothing of
app/, ui/ or a gui/ folder, and the folders' include graph has no circle."""
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
INCLUDE = re.compile(r'#include\s+([<"])([^>"]+)[>"]')


def folder_of(path, root):
    return str(path.parent.relative_to(root))


def is_gui_folder(folder):
    return folder.split("/")[0] in ("app", "ui") or folder.endswith("/gui") or "/gui/" in folder


def main(root):
    root = Path(root)
    problems = []
    graph = {}
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or path.name == "main.cpp":
            continue
        folder = folder_of(path, root)
        graph.setdefault(folder, set())
        for kind, target in INCLUDE.findall(path.read_text(errors="replace")):
            if kind == '"':
                target_folder = str(Path(target).parent)
                if target_folder != folder:
                    graph[folder].add(target_folder)
                if not is_gui_folder(folder) and is_gui_folder(target_folder):
                    problems.append(f"{path}: core file includes {target}")
            elif not is_gui_folder(folder) and (
                    target.startswith(WIDGET_MODULES) or WIDGET_CLASS.match(f"<{target}>")):
                problems.append(f"{path}: core file includes <{target}>")
    problems += cycles(graph)
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
