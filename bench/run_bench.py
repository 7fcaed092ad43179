#!/usr/bin/env python3
"""Speed and memory of licznik-wyrazow on large files.

Builds the program (Release, in build/bench), generates Polish-like text files
of 1, 10, 100 and 400 MiB from a fixed seed, and runs the whole dialogue on
each: the file name, one word, ENTER. The output goes once to a pipe drained
by `cat > /dev/null` and once straight to /dev/null. Every figure is the
median of the runs after a warm-up, shown with its min and max, next to
`wc -l` on the same file measured in the same run: on a busy machine the
ratio holds where the absolute times do not.

Prints one table and writes the same figures to bench-results.csv in the
build folder. Never part of the test suite.

    python3 bench/run_bench.py [--sizes 1,10,100,400] [--runs 7] [--program PATH]
"""

import argparse
import csv
import hashlib
import os
import random
import statistics
import subprocess
import sys

MIB = 1 << 20
PAGE = MIB  # the files are made of whole pages of generated text
DISTINCT_PAGES = 16
SEED = 20240611
GENERATOR_VERSION = "2"  # bump when the text changes, so that old files are remade
SEARCHED_WORD = "się"

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Polish words, frequent ones first; many carry diacritics, as running Polish
# text does. Capitalised forms and punctuated forms are derived below.
WORDS = """
się nie w i na z że do to jest jak co o ale po tak za od już przez tylko jego
jej być był była było są będzie może można jeszcze bardzo który która które
gdy kiedy więc też sobie mnie mój moja twój nasz wasz ich tego temu tym
ten ta te tę tą żeby aż ponieważ dlaczego gdzie dokąd skąd zawsze nigdy często
rzadko dziś jutro wczoraj teraz później wcześniej trochę dużo mało więcej mniej
człowiek ludzie dziecko dzieci kobieta mężczyzna przyjaciel przyjaciółka
rodzina matka ojciec córka syn brat siostra dziadek babcia sąsiad sąsiadka
miasto wieś ulica dom mieszkanie pokój kuchnia łazienka ogród drzewo kwiat
słońce księżyc gwiazda niebo ziemia woda ogień powietrze deszcz śnieg wiatr
chmura góra rzeka jezioro morze las pole łąka droga most zamek kościół szkoła
książka zeszyt długopis ołówek stół krzesło łóżko okno drzwi ściana podłoga
świat życie śmierć miłość przyjaźń nadzieja wiara prawda kłamstwo szczęście
smutek radość złość strach odwaga siła słabość mądrość głupota piękno
pieniądze praca pracownik urząd sąd prawo państwo władza wojna pokój zwycięstwo
żołnierz król królowa książę księżniczka rycerz koń pies kot ptak ryba wąż
jabłko gruszka śliwka wiśnia truskawka ziemniak chleb masło mleko ser mięso
zupa obiad śniadanie kolacja herbata kawa wódka piwo wino cukier sól pieprz
mówić powiedzieć pisać czytać słuchać widzieć patrzeć myśleć wiedzieć rozumieć
chcieć musieć móc mieć iść pójść przyjść wyjść wrócić jechać lecieć płynąć
spać jeść pić żyć umrzeć kochać lubić nienawidzić bać śmiać płakać śpiewać
tańczyć grać pracować uczyć studiować zaczynać kończyć otwierać zamykać
szukać znaleźć zgubić dać wziąć kupić sprzedać zapłacić pożyczyć oddać
duży mały wysoki niski długi krótki szeroki wąski gruby chudy stary młody
nowy dobry zły piękny brzydki mądry głupi szczęśliwy smutny wesoły zmęczony
głodny spragniony zdrowy chory ciepły zimny gorący chłodny jasny ciemny
biały czarny czerwony zielony niebieski żółty różowy szary brązowy złoty
pierwszy drugi trzeci czwarty piąty szósty siódmy ósmy dziewiąty dziesiąty
zażółć gęślą jaźń źdźbło żółw łódź gałąź wrzesień październik styczeń luty
więzień pieśń jesień sień dźwięk wściekłość mężczyźni pięćset dziewięćset
""".split()

# The eight characters the program deletes (the line end comes at the end
# of each line), and other punctuation it keeps, around the words: a pattern
# for each form, its weight per 1000 words, and whether the word starts
# with a capital letter. A second "{}" takes another word.
DECORATIONS = [
    ("{}", 560, False),
    ("{}", 80, True),
    ("{},", 120, False),
    ("{}.", 70, False),
    ("{}?", 12, False),
    ("{}:", 10, False),
    ("({})", 12, False),
    ('"{}"', 10, False),
    ("„{}”", 14, False),
    ("{};", 10, False),
    ("{}!", 12, False),
    ("{}…", 6, False),
    ("– {}", 20, False),
    ("{}-{}", 8, False),
    ("{}'s", 2, False),
    ("{}\t", 1, False),
    ("{} ", 5, False),  # with the space that follows, an empty entry
    ("{}{}", 38, False),
    ("{}:{}", 10, False),
]


def _tokens():
    """Every word in every form, and the cumulative weights of the forms."""
    rng = random.Random(SEED)
    tokens = []
    weights = []
    zipf = [1.0 / (rank + 5) for rank in range(len(WORDS))]
    for pattern, weight, capitalised in DECORATIONS:
        for rank, word in enumerate(WORDS):
            first = word[0].upper() + word[1:] if capitalised else word
            tokens.append(pattern.format(first, WORDS[rng.randrange(len(WORDS))]))
            weights.append(weight * zipf[rank])
    for number in (1, 2, 3, 7, 12, 24, 100, 1989, 2024):
        tokens.append(str(number))
        weights.append(0.5)
    cumulative = []
    total = 0.0
    for weight in weights:
        total += weight
        cumulative.append(total)
    return tokens, cumulative


def make_page(number, tokens, cumulative):
    """One page of exactly PAGE bytes: lines of about a dozen tokens."""
    rng = random.Random(SEED * 1000 + number)
    pieces = []
    used = 0
    line_lengths = list(range(6, 19))
    while True:
        count = rng.choice(line_lengths)
        line = " ".join(rng.choices(tokens, cum_weights=cumulative, k=count))
        # Most lines end with LF; some files came through Windows or old Macs.
        roll = rng.random()
        ending = "\r\n" if roll < 0.06 else ("\r" if roll < 0.07 else "\n")
        encoded = (line + ending).encode("utf-8")
        if used + len(encoded) > PAGE - 64:
            break
        pieces.append(encoded)
        used += len(encoded)
    rest = PAGE - used
    pieces.append((("a " * rest)[: rest - 1] + "\n").encode("ascii"))
    page = b"".join(pieces)
    assert len(page) == PAGE
    return page


def make_data(folder, sizes):
    """Writes the data files that are missing; returns {size: file name}."""
    os.makedirs(folder, exist_ok=True)
    names = {size: f"tekst-{size}mib.txt" for size in sizes}
    stamp = os.path.join(folder, "version")
    current = f"{GENERATOR_VERSION} {SEED} {DISTINCT_PAGES}"
    fresh = os.path.exists(stamp) and open(stamp, encoding="ascii").read() == current
    if not fresh:
        # Files of another generator, or of an interrupted run: none is kept.
        for name in os.listdir(folder):
            if name.startswith("tekst-") and (name.endswith(".txt") or name.endswith(".part")):
                os.remove(os.path.join(folder, name))
        if os.path.exists(stamp):
            os.remove(stamp)
    missing = [
        s for s in sizes
        if not fresh or not os.path.exists(os.path.join(folder, names[s]))
        or os.path.getsize(os.path.join(folder, names[s])) != s * MIB
    ]
    if missing:
        print(f"generating {', '.join(f'{s} MiB' for s in missing)} of text in {folder} ...", flush=True)
        tokens, cumulative = _tokens()
        pages = [make_page(n, tokens, cumulative) for n in range(DISTINCT_PAGES)]
        for size in missing:
            order = random.Random(SEED + size)
            path = os.path.join(folder, names[size])
            with open(path + ".part", "wb") as out:
                for _ in range(size):
                    out.write(pages[order.randrange(DISTINCT_PAGES)])
            os.replace(path + ".part", path)
        with open(stamp, "w", encoding="ascii") as out:
            out.write(current)
    return names


def non_ascii_share(path):
    with open(path, "rb") as data:
        sample = data.read(4 * MIB)
    return sum(1 for b in sample if b >= 0x80) / len(sample)


class Sample:
    def __init__(self, seconds, rss_kib):
        self.seconds = seconds
        self.rss_kib = rss_kib


def measure(runner, output, folder, typed, command):
    """One run of `command` through bench_run; see bench/bench_run.cpp."""
    result = subprocess.run([runner, output, folder, typed] + command,
                            check=True, stdout=subprocess.PIPE, text=True)
    seconds, rss_kib, status = result.stdout.split()
    if status != "0":
        sys.exit(f"{' '.join(command)}: status {status}")
    return Sample(float(seconds), int(rss_kib))


def output_digest(program, folder, answers):
    """SHA-256 and length of the whole standard output of one dialogue."""
    digest = hashlib.sha256()
    length = 0
    with open(answers, "rb") as typed:
        process = subprocess.Popen([program], cwd=folder, stdin=typed, stdout=subprocess.PIPE)
        while True:
            block = process.stdout.read(MIB)
            if not block:
                break
            digest.update(block)
            length += len(block)
        process.wait()
    if process.returncode != 0:
        sys.exit(f"{program}: status {process.returncode}")
    return digest.hexdigest(), length


def build(build_dir):
    """The program, Release, built with CMake in `build_dir`.

    A new build folder gets Ninja and no tests, which need GoogleTest; an
    existing one keeps its generator and its choice about tests.
    """
    configure = ["cmake", "-S", SOURCE_DIR, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release"]
    if not os.path.exists(os.path.join(build_dir, "CMakeCache.txt")):
        configure += ["-G", "Ninja", "-DLICZNIK_BUILD_TESTS=OFF"]
    subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "--target", "licznik-wyrazow", "--", "-j2"],
                   check=True, stdout=subprocess.DEVNULL)
    return os.path.join(build_dir, "licznik-wyrazow")


def build_runner(build_dir):
    """bench_run, compiled with the project's compiler when it is newer than its binary."""
    source = os.path.join(SOURCE_DIR, "bench", "bench_run.cpp")
    binary = os.path.join(build_dir, "bench_run")
    if os.path.exists(binary) and os.path.getmtime(binary) >= os.path.getmtime(source):
        return binary
    compiler = "c++"
    cache = os.path.join(build_dir, "CMakeCache.txt")
    if os.path.exists(cache):
        for line in open(cache, encoding="utf-8", errors="replace"):
            if line.startswith("CMAKE_CXX_COMPILER:"):
                compiler = line.split("=", 1)[1].strip() or compiler
    os.makedirs(build_dir, exist_ok=True)
    subprocess.run([compiler, "-std=c++20", "-O2", "-Wall", "-Wextra", source, "-o", binary], check=True)
    return binary


def median(samples):
    return statistics.median(s.seconds for s in samples)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", default="1,10,100,400", help="file sizes in MiB (default 1,10,100,400)")
    parser.add_argument("--runs", type=int, default=7,
                        help="measured runs per figure, after a warm-up (default 7; fewer only for a quick look)")
    parser.add_argument("--build-dir", default=os.path.join(SOURCE_DIR, "build", "bench"),
                        help="build folder; holds the data and the CSV (default build/bench)")
    parser.add_argument("--program", help="measure this program instead of building one")
    parser.add_argument("--csv", help="where to write the figures (default BUILD_DIR/bench-results.csv)")
    parser.add_argument("--digest", action="store_true", help="also print a SHA-256 of each whole output")
    options = parser.parse_args()
    sizes = [int(s) for s in options.sizes.split(",")]
    if options.runs < 1:
        parser.error("--runs must be at least 1")

    build_dir = os.path.abspath(options.build_dir)
    program = os.path.abspath(options.program) if options.program else build(build_dir)
    runner = build_runner(build_dir)
    data_dir = os.path.join(build_dir, "bench-data")
    names = make_data(data_dir, sizes)
    answers = os.path.join(data_dir, "odpowiedzi-{}.in")

    print(f"program: {program}")
    print(f"{os.cpu_count()} processors, load average {os.getloadavg()[0]:.2f}; "
          f"{options.runs} runs after a warm-up; median (min-max); MB = 10^6 bytes")
    rows = []
    digests = []
    for size in sizes:
        typed = answers.format(size)
        with open(typed, "wb") as out:
            out.write(f"{names[size]}\n{SEARCHED_WORD}\n\n".encode("utf-8"))
        if options.digest:
            digest, length = output_digest(program, data_dir, typed)
            digests.append(f"{size} MiB: output of {length} bytes, sha256 {digest}")
        rows += measure_size(runner, program, data_dir, names[size], typed, size, options.runs)
        print_row_group(rows[-2:], first=size == sizes[0])
    print()
    for line in digests:
        print(line)

    csv_path = options.csv or os.path.join(build_dir, "bench-results.csv")
    with open(csv_path, "w", newline="", encoding="utf-8") as out:
        writer = csv.DictWriter(out, fieldnames=list(rows[0].keys()))
        writer.writeheader()
        for row in rows:
            writer.writerow({k: (f"{v:.6g}" if isinstance(v, float) else v) for k, v in row.items()})
    print(f"non-ASCII bytes in the text: {non_ascii_share(os.path.join(data_dir, names[sizes[0]])):.1%}, "
          f"word searched for: {SEARCHED_WORD}")
    print(f"figures written to {csv_path}")
    print_targets(rows)


def measure_size(runner, program, data_dir, name, typed, size, runs):
    """The two rows of one file size: output to a pipe, and to /dev/null."""
    def wc_run():
        return measure(runner, "null", data_dir, os.devnull, ["wc", "-l", name])

    def program_run(output):
        return measure(runner, output, data_dir, typed, [program])

    # Warm-up: the file into the page cache, the program into memory.
    wc_run()
    program_run("pipe")
    program_run("null")
    wc, pipe, null = [], [], []
    # Interleaved, so that a busy moment of the machine hits all three.
    for _ in range(runs):
        wc.append(wc_run())
        pipe.append(program_run("pipe"))
        null.append(program_run("null"))
    wc_median = median(wc)
    rows = []
    for output, samples in (("pipe", pipe), ("/dev/null", null)):
        seconds = median(samples)
        peak_kib = max(s.rss_kib for s in samples)
        rows.append({
            "size_mib": size,
            "output": output,
            "runs": runs,
            "median_s": seconds,
            "min_s": min(s.seconds for s in samples),
            "max_s": max(s.seconds for s in samples),
            "mb_per_s": size * MIB / 1e6 / seconds,
            "peak_rss_mib": peak_kib / 1024,
            "rss_per_size": peak_kib * 1024 / (size * MIB),
            "wc_median_s": wc_median,
            "wc_min_s": min(s.seconds for s in wc),
            "wc_max_s": max(s.seconds for s in wc),
            "times_wc": seconds / wc_median,
        })
    return rows


def print_row_group(rows, first):
    if first:
        print()
        print("| size    | output    | time ms (min-max)         |   MB/s | peak RSS            |"
              " wc -l ms (min-max)  | x wc -l |")
        print("|---------|-----------|---------------------------|-------:|---------------------|"
              "---------------------|--------:|")
    for row in rows:
        time_text = f"{row['median_s'] * 1e3:.1f} ({row['min_s'] * 1e3:.1f}-{row['max_s'] * 1e3:.1f})"
        rss_text = f"{row['peak_rss_mib']:.1f} MiB = {row['rss_per_size']:.2f}x"
        wc_text = f"{row['wc_median_s'] * 1e3:.1f} ({row['wc_min_s'] * 1e3:.1f}-{row['wc_max_s'] * 1e3:.1f})"
        print(f"| {str(row['size_mib']) + ' MiB':7} | {row['output']:9} | {time_text:25} | "
              f"{row['mb_per_s']:6.0f} | {rss_text:19} | {wc_text:19} | {row['times_wc']:7.1f} |", flush=True)


def print_targets(rows):
    """The goals: time at 100 MiB to a pipe, memory at every size, linearity."""
    def find(size, output):
        return next((r for r in rows if r["size_mib"] == size and r["output"] == output), None)

    print()
    at_100 = find(100, "pipe")
    if at_100:
        verdict = "met" if at_100["times_wc"] <= 20 else "MISSED"
        print(f"time, 100 MiB to a pipe: {at_100['times_wc']:.1f}x wc -l (goal 20x, stretch 15x): {verdict}")
    worst = max(rows, key=lambda r: r["peak_rss_mib"] - (1.1 * r["size_mib"] + 8))
    over = worst["peak_rss_mib"] - (1.1 * worst["size_mib"] + 8)
    verdict = "met" if over <= 0 else "MISSED"
    print(f"memory: peak RSS at most 1.1x the size + 8 MiB at every size; closest {worst['size_mib']} MiB "
          f"({worst['output']}): {worst['peak_rss_mib']:.1f} MiB, {-over:.1f} MiB to spare: {verdict}")
    for output in ("pipe", "/dev/null"):
        small, large = find(10, output), find(400, output)
        if small and large:
            ratio = (large["median_s"] / 400) / (small["median_s"] / 10)
            verdict = "met" if ratio <= 1.3 else "MISSED"
            print(f"linearity ({output}): time per MiB at 400 MiB is {ratio:.2f}x that at 10 MiB "
                  f"(goal 1.3x): {verdict}")


if __name__ == "__main__":
    main()
