"""Runs the pandas code of docs/analysis.md as a reader would paste it, in a folder of
Quorvel's files, and writes the per-subject scores it computes as CSV files.

usage: run_analysis_recipe.py RECIPE.md DATA_FOLDER OUTPUT_FOLDER
"""
import os
import re
import sys

recipe, data, output = (os.path.abspath(p) for p in sys.argv[1:4])
with open(recipe, encoding="utf-8") as f:
    blocks = re.findall(r"^```python\n(.*?)^```", f.read(), re.S | re.M)
if not blocks:
    sys.exit(f"{recipe}: no python code")
os.chdir(data)
scope = {"__name__": "__main__"}
exec(compile("\n".join(blocks), recipe, "exec"), scope)
for name in ("scores", "qvl_scores", "per_run"):
    scope[name].to_csv(os.path.join(output, name + ".csv"))
