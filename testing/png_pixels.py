"""The pixels of a PNG file, for the tests that look at what rsvg-convert and Chromium drew,
decoded to RGB by ffmpeg (which the MLT test needs too)."""
import struct, subprocess


class Picture:
    def __init__(self, path):
        with open(path, "rb") as f:
            header = f.read(24)
        if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
            raise ValueError(path + ": not a PNG file")
        self.width, self.height = struct.unpack(">II", header[16:24])
        self.channels = 3
        raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                             check=True, stdout=subprocess.PIPE).stdout
        stride = 3 * self.width
        self.rows = [raw[y * stride:(y + 1) * stride] for y in range(self.height)]

    def at(self, x, y):
        """The colour at (x, y) as "#RRGGBB"."""
        i = int(x) * self.channels
        r, g, b = self.rows[int(y)][i:i + 3]
        return "#%02X%02X%02X" % (r, g, b)

    def colours(self, left, top, right, bottom):
        """How often each colour occurs in the box."""
        counts = {}
        for y in range(int(top), int(bottom)):
            for x in range(int(left), int(right)):
                colour = self.at(x, y)
                counts[colour] = counts.get(colour, 0) + 1
        return counts

    def find(self, colour):
        """The bounding boxes (left, top, right, bottom) of the areas of exactly this colour, each
        a set of pixels that touch one another, largest first."""
        target, n = bytes.fromhex(colour[1:]), self.channels
        todo = set()
        for y, line in enumerate(self.rows):
            start = line.find(target)
            while start >= 0:
                if start % n == 0:
                    todo.add((start // n, y))
                start = line.find(target, start + 1)
        boxes = []
        while todo:
            stack = [todo.pop()]
            box, size = [stack[0][0], stack[0][1], stack[0][0], stack[0][1]], 0
            while stack:
                px, py = stack.pop()
                size += 1
                box = [min(box[0], px), min(box[1], py), max(box[2], px), max(box[3], py)]
                for neighbour in ((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)):
                    if neighbour in todo:
                        todo.remove(neighbour)
                        stack.append(neighbour)
            boxes.append((size, (box[0], box[1], box[2] + 1, box[3] + 1)))
        return [box for _, box in sorted(boxes, reverse=True)]
