"""The example notebook runs under nbclient, each graph shows once (a Figure of its own,
not also one of pyplot's), and the companion's results show as HTML tables."""

from __future__ import annotations

import os
from pathlib import Path

import pytest

nbformat = pytest.importorskip("nbformat")
nbclient = pytest.importorskip("nbclient")
pytest.importorskip("ipykernel")
pytest.importorskip("matplotlib")
pytest.importorskip("pandas")

NOTEBOOK = Path(__file__).resolve().parents[2] / "examples" / "explain_series.ipynb"


@pytest.fixture(scope="module")
def executed(tmp_path_factory):
    if os.environ.get("MOODVANE_SANITIZED"):
        pytest.skip("the kernel would start under the sanitizer runtimes")
    notebook = nbformat.read(NOTEBOOK, as_version=4)
    client = nbclient.NotebookClient(notebook, timeout=300, kernel_name="python3",
                                     resources={"metadata": {"path": str(
                                         tmp_path_factory.mktemp("notebook"))}})
    client.execute()
    return [cell for cell in notebook.cells if cell.cell_type == "code"]


@pytest.mark.slow
def test_the_notebook_runs_and_shows_each_graph_once(executed):
    for cell in executed:
        assert not [output for output in cell.outputs if output.output_type == "error"], \
            cell.source
    graphs = [cell for cell in executed if "series_graph(" in cell.source or
              "shift_graph(" in cell.source]
    assert len(graphs) == 2
    for cell in graphs:
        images = [output for output in cell.outputs if "image/png" in output.get("data", {})]
        assert len(images) == 1, cell.source
    left_open = executed[-1].outputs[0]["data"]["text/plain"]
    assert left_open == "[]"


@pytest.mark.slow
def test_results_show_as_html_tables(executed):
    shifts = next(cell for cell in executed if cell.source.startswith("shifts = "))
    html = shifts.outputs[0]["data"]["text/html"]
    assert "period shifts" in html and html.startswith("<table")


def test_a_shift_result_is_a_compact_table():
    from moodvane_tools import proportion_shift

    result = proportion_shift({"a": 3, "b": 1, "<c>": 1}, {"a": 1, "b": 4}, top_n=0)
    html = result._repr_html_()
    assert html.startswith("<table") and "&lt;c&gt;" in html and "<c>" not in html
    # One row for the header, one for each word: the whole of this small result.
    assert html.count("<tr>") == 1 + len(result["entries"])
