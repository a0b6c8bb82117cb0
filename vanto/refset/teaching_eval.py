#!/usr/bin/python3
"""The evaluation of teaching VECPLAN.EXE (the target vecplan_teaching).

Real handwriting: the UCI handwritten digits that scikit-learn bundles
(1797 digits, each 8 x 8 counts 0..16 of the black pixels in a 4 x 4 block
of a 32 x 32 bitmap), blown up to 64 x 64 bitmaps. Handwriting-style
faces: every known character of three faces, drawn by vecplan_teach_eval
with random distortions. Each set is split once, with a fixed seed, into
a part to teach from, a validation part and a test part. N references a
character are taught from the first part (the built-in references stay),
and the test part is read with VECPLAN.EXE's own library (through
vecplan_teach_eval); an RBF SVM on the raw pixels, trained on the very
same taught images, with C and gamma chosen on the validation part, reads
the same test images. Every choice (the blow-up, the ranking, the SVM's
parameters) looked at the validation part only; the test part's figures
are the ones reported.

Then the printed evaluation's test table (vecplan_eval --prueba) without
taught references, with the taught digits and with the taught digits and
faces, and each row's change. With --solo-impresa only that table is
printed (the sets are still drawn and split, nothing is read or trained),
and with --validacion it is the validation part's, the one to tune by.
"""

import argparse
import gzip
import os
import subprocess
import sys

import numpy as np
from sklearn.svm import SVC

DIGITS = "/usr/lib/python3/dist-packages/sklearn/datasets/data/digits.csv.gz"
SEED = 19
# Per digit: read in the test part, in the validation part; the rest is
# there to teach from (134 to 143 per digit).
DIGIT_TEST, DIGIT_VALIDATION = 40, 30
# Per character and face: drawn, of which taught from, validation.
FACE_DRAWN, FACE_TEACH, FACE_VALIDATION = 100, 60, 20
SIZE = 64


def blow_up(counts, size=SIZE):
    """An 8 x 8 block count as a size x size bitmap.

    The counts are the block's grey, placed at the blocks' centres and
    interpolated bilinearly (held flat past the outer centres); the
    bitmap is then cut so that it keeps the digit's ink: the darkest
    pixels are black, as many as the counts add up to (scaled to the
    size), and never a pixel of no grey at all. The size was chosen on
    the validation part (64 read better than the original 32).
    """
    pos = (np.arange(size) + 0.5) / (size / 8) - 0.5
    lower = np.clip(np.floor(pos).astype(int), 0, 7)
    upper = np.clip(lower + 1, 0, 7)
    t = np.where((pos < 0) | (pos > 7), 0.0, pos - np.floor(pos))
    rows = counts[lower, :] * (1 - t)[:, None] + counts[upper, :] * t[:, None]
    grey = rows[:, lower] * (1 - t)[None, :] + rows[:, upper] * t[None, :]
    ink = int(round(counts.sum() * (size / 32) ** 2))
    flat = grey.ravel()
    bitmap = np.zeros(size * size, np.uint8)
    bitmap[np.argsort(-flat, kind="stable")[:ink]] = 1
    bitmap[flat <= 0] = 0
    return bitmap.reshape(size, size)


def write_pbm(path, bitmap):
    h, w = bitmap.shape
    with open(path, "w") as f:
        f.write("P1\n%d %d\n" % (w, h))
        for row in bitmap:
            f.write(" ".join(str(v) for v in row) + "\n")


def read_pbm(path):
    """A raw (P4) PBM as a 0/1 array."""
    with open(path, "rb") as f:
        data = f.read()
    fields, i = [], 0
    while len(fields) < 3:
        while data[i:i + 1].isspace():
            i += 1
        j = i
        while not data[j:j + 1].isspace():
            j += 1
        fields.append(data[i:j])
        i = j
    i += 1
    w, h = int(fields[1]), int(fields[2])
    rows = np.frombuffer(data[i:i + h * ((w + 7) // 8)], np.uint8).reshape(h, (w + 7) // 8)
    return np.unpackbits(rows, axis=1)[:, :w]


def pixels_of(bitmap, size=32):
    """The SVM's input for an image of any size: the box of its black
    pixels, its grey averaged down (or sampled up) to size x size."""
    ys, xs = np.nonzero(bitmap)
    if len(ys) == 0:
        return np.zeros(size * size)
    box = bitmap[ys.min():ys.max() + 1, xs.min():xs.max() + 1].astype(float)
    h, w = box.shape
    rows = (np.arange(size) * h // size)
    cols = (np.arange(size) * w // size)
    out = np.add.reduceat(np.add.reduceat(box, rows, axis=0), cols, axis=1)
    counts = np.outer(np.diff(np.append(rows, h)), np.diff(np.append(cols, w)))
    return (out / np.maximum(counts, 1)).ravel()


class Dataset:
    def __init__(self, name, labels, files, parts, pixels, per_label_order):
        self.name = name
        self.labels = np.array(labels)
        self.files = np.array(files)
        self.parts = np.array(parts)
        self.pixels = np.array(pixels, float)
        self.order = per_label_order  # label -> indices of its taught part, in teaching order

    def taught(self, n):
        return np.concatenate([idx[:n] for idx in self.order.values()])

    def most(self):
        return max(len(idx) for idx in self.order.values())


def digits(folder):
    data = np.loadtxt(gzip.open(DIGITS), delimiter=",")
    counts = data[:, :64].reshape(-1, 8, 8)
    y = data[:, 64].astype(int)
    os.makedirs(folder, exist_ok=True)
    rng = np.random.RandomState(SEED)
    parts = np.empty(len(y), object)
    order = {}
    for d in range(10):
        idx = np.where(y == d)[0]
        rng.shuffle(idx)
        parts[idx[:DIGIT_TEST]] = "prueba"
        parts[idx[DIGIT_TEST:DIGIT_TEST + DIGIT_VALIDATION]] = "validacion"
        parts[idx[DIGIT_TEST + DIGIT_VALIDATION:]] = "ensenar"
        order[str(d)] = idx[DIGIT_TEST + DIGIT_VALIDATION:]
    files, pixels = [], []
    for i in range(len(y)):
        bitmap = blow_up(counts[i])
        path = os.path.join(folder, "%04d.pbm" % i)
        write_pbm(path, bitmap)
        files.append(path)
        pixels.append(bitmap.ravel())
    return Dataset("Dígitos manuscritos (UCI)", [str(v) for v in y], files, parts, pixels, order)


def faces(helper, folder):
    subprocess.run([helper, "dibuja", folder, str(FACE_DRAWN)], check=True)
    labels, files, parts, pixels = [], [], [], []
    order = {}
    rng = np.random.RandomState(SEED)
    with open(os.path.join(folder, "indice.txt"), encoding="utf-8") as index:
        for line in index:
            name, label, face, serial = line.split()
            serial = int(serial)
            part = ("ensenar" if serial < FACE_TEACH else
                    "validacion" if serial < FACE_TEACH + FACE_VALIDATION else "prueba")
            path = os.path.join(folder, name)
            labels.append(label)
            files.append(path)
            parts.append(part)
            pixels.append(pixels_of(read_pbm(path)))
            if part == "ensenar":
                order.setdefault(label, []).append(len(files) - 1)
    # The faces taught in turns, in a fixed shuffled order.
    order = {k: np.array(v)[rng.permutation(len(v))] for k, v in order.items()}
    return Dataset("Fuentes de estilo manuscrito (DkgHandwriting, HumorSans, FemkeKlaver)",
                   labels, files, parts, pixels, order)


def ours(helper, refset, folder, data, taught, part):
    """VECPLAN.EXE's answers for the part, the taught images taught."""
    taught_list = os.path.join(folder, "ensenadas.txt")
    read_list = os.path.join(folder, "a-leer.txt")
    with open(taught_list, "w", encoding="utf-8") as f:
        for i in taught:
            f.write("%s %s\n" % (data.labels[i], data.files[i]))
    reading = np.where(data.parts == part)[0]
    with open(read_list, "w", encoding="utf-8") as f:
        for i in reading:
            f.write(data.files[i] + "\n")
    out = subprocess.run([helper, "lee", refset, taught_list, read_list], check=True,
                         capture_output=True, text=True).stdout.split("\n")
    answers = [line.split() for line in out if line]
    if len(answers) != len(reading):
        sys.exit("vecplan_teach_eval no leyó todas las imágenes:\n" + "\n".join(out[:5]))
    right = np.array([a[1] == data.labels[i] for a, i in zip(answers, reading)])
    doubtful = np.array([a[2] == "1" for a in answers])
    return right.mean(), (right & doubtful).sum() / max(right.sum(), 1)


def svm(data, taught):
    """The RBF SVM trained on the taught images, C and gamma chosen on the
    validation part; its accuracy on the test part, and its choice."""
    validation = np.where(data.parts == "validacion")[0]
    test = np.where(data.parts == "prueba")[0]
    x, y = data.pixels[taught], data.labels[taught]
    features = data.pixels.shape[1]
    best = None
    for c in (1, 10, 100):
        for g in (0.3, 1, 3):
            model = SVC(C=c, gamma=g / features).fit(x, y)
            score = model.score(data.pixels[validation], data.labels[validation])
            if best is None or score > best[0]:
                best = (score, c, g)
    model = SVC(C=best[1], gamma=best[2] / features).fit(x, y)
    return model.score(data.pixels[test], data.labels[test]), best


def teaching_table(helper, refset, folder, data, counts):
    print("\n%s: %d imágenes; se enseña de una parte, se lee la de prueba (%d), con las "
          "referencias de serie presentes." % (data.name, len(data.labels),
                                               (data.parts == "prueba").sum()))
    print("%-22s %10s %12s %14s %18s %16s" % ("enseñadas por carácter", "enseñadas",
                                               "VECPLAN", "VECPLAN valid.", "aciertos dudosos",
                                               "SVM RBF (C, γ·d)"))
    taught_all = None
    for n in counts:
        if n != "todas" and n > data.most():
            print("%-22s %s" % (n, "no hay tantas: la parte de enseñar tiene %d como mucho"
                                % data.most()))
            continue
        taught = data.taught(data.most() if n == "todas" else n)
        test, flagged = ours(helper, refset, folder, data, taught, "prueba")
        validation, _ = ours(helper, refset, folder, data, taught, "validacion")
        svm_test, (_, c, g) = svm(data, taught)
        print("%-22s %10d %10.2f %% %12.2f %% %16.2f %% %9.2f %% (%g, %g)" % (
            n, len(taught), 100 * test, 100 * validation, 100 * flagged, 100 * svm_test, c, g))
        taught_all = taught
    return taught_all


def printed_rows(evaluator, refset, taught_list, validation=False):
    command = [evaluator, refset, "--dibujar", ""] + ([] if validation else ["--prueba"])
    if taught_list:
        command += ["--ensena", taught_list]
    out = subprocess.run(command, check=True, capture_output=True, text=True,
                         env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    title = "Parte de VALIDACIÓN" if validation else "Parte de PRUEBA"
    table = out.split(title)[1].split("\n\n")[0]
    rows = {}
    for line in table.split("\n")[3:]:
        f = line.replace("%", "").replace("|", "").split()
        if len(f) >= 4:
            rows[f[0]] = (float(f[2]), float(f[3]))
    return rows


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--ayudante", required=True)
    p.add_argument("--evaluador", required=True)
    p.add_argument("--refset", required=True)
    p.add_argument("--carpeta", required=True)
    p.add_argument("--solo-impresa", action="store_true",
                   help="solo la tabla impresa, con todo lo enseñable enseñado")
    p.add_argument("--validacion", action="store_true",
                   help="la tabla impresa de la parte de validación, no la de prueba")
    a = p.parse_args()
    os.makedirs(a.carpeta, exist_ok=True)
    print(__doc__.split("\n\n")[1])

    digit_set = digits(os.path.join(a.carpeta, "digitos"))
    if a.solo_impresa:
        digits_taught = digit_set.taught(digit_set.most())
    else:
        digits_taught = teaching_table(a.ayudante, a.refset, a.carpeta, digit_set,
                                       [10, 100, 500, "todas"])
    face_set = faces(a.ayudante, os.path.join(a.carpeta, "fuentes"))
    if a.solo_impresa:
        faces_taught = face_set.taught(face_set.most())
    else:
        faces_taught = teaching_table(a.ayudante, a.refset, a.carpeta, face_set,
                                      [10, 100, "todas"])

    digits_list = os.path.join(a.carpeta, "ensenadas-digitos.txt")
    both_list = os.path.join(a.carpeta, "ensenadas-todas.txt")
    with open(digits_list, "w", encoding="utf-8") as f:
        for i in digits_taught:
            f.write("%s %s\n" % (digit_set.labels[i], digit_set.files[i]))
    with open(both_list, "w", encoding="utf-8") as f:
        for data, taught in ((digit_set, digits_taught), (face_set, faces_taught)):
            for i in taught:
                f.write("%s %s\n" % (data.labels[i], data.files[i]))
    print("\nTabla impresa (vecplan_eval%s), top-1 %%: sin enseñadas; con los dígitos "
          "enseñados (%d); con los dígitos y las fuentes enseñados (%d); entre paréntesis, "
          "el cambio." % (", parte de validación" if a.validacion else " --prueba",
                          len(digits_taught), len(digits_taught) + len(faces_taught)))
    plain = printed_rows(a.evaluador, a.refset, None, a.validacion)
    with_digits = printed_rows(a.evaluador, a.refset, digits_list, a.validacion)
    with_both = printed_rows(a.evaluador, a.refset, both_list, a.validacion)
    print("%-16s %-24s %-24s %-24s" % ("condición", "sin (may. / min.)", "con dígitos",
                                       "con dígitos y fuentes"))
    for row, (upper, lower) in plain.items():
        cells = ["%6.2f / %6.2f" % (upper, lower)]
        for other in (with_digits, with_both):
            u, l = other[row]
            cells.append("%6.2f / %6.2f (%+.2f / %+.2f)" % (u, l, u - upper, l - lower))
        print("%-16s %-24s %-34s %-34s" % (row, *cells))


if __name__ == "__main__":
    main()
