"""The baseline for bench_mail's Markdown case: Debian's Python-Markdown
rendering the same filled Markdown texts to HTML, one after another, as a
mail-merge script does it. Reads the texts from a JSON array in the file
named by the first argument and prints the seconds the rendering took."""

import json
import sys
import time

import markdown


def main():
    with open(sys.argv[1], encoding="utf-8") as file:
        texts = json.load(file)
    renderer = markdown.Markdown(output_format="html")
    start = time.perf_counter()
    for text in texts:
        renderer.reset()
        renderer.convert(text)
    print(time.perf_counter() - start)


if __name__ == "__main__":
    main()
