"""Reads the picture catalogue and expands it into one record per file."""
import itertools
import re
import tomllib

_FIELD = re.compile(r"\{([A-Za-z_][A-Za-z0-9_]*)\}")


class CatalogError(Exception):
    pass


class Picture:
    """One file: its ids (empty when it is opened by file name), its look
    and its cel layout."""

    def __init__(self, file, family, cel, rows, cols, required, manifest, params, fields, indexes):
        self.file = file
        self.indexes = indexes  # each field's place in its list
        self.ids = []
        self.family = family
        self.cel = cel
        self.rows = rows
        self.cols = cols
        self.required = required
        self.manifest = manifest
        self.params = params
        self.fields = fields

    @property
    def size(self):
        return (self.cel[0] * self.cols, self.cel[1] * self.rows)

    def layout(self):
        return (self.family, self.cel, self.rows, self.cols, self.required, self.manifest, self.params)


def _fill(text, fields, where):
    def sub(m):
        if m.group(1) not in fields:
            raise CatalogError("%s: no list gives {%s}" % (where, m.group(1)))
        return fields[m.group(1)]
    return _FIELD.sub(sub, text)


def _fill_params(params, fields, where):
    out = {}
    for k, v in params.items():
        out[k] = _fill(v, fields, where) if isinstance(v, str) else v
    return out


def load(path):
    """The catalogue at path as a list of Picture, in file order, one per
    file; raises CatalogError naming the entry for anything malformed."""
    with open(path, "rb") as f:
        data = tomllib.load(f)
    lists = data.get("lists", {})
    pictures = {}
    order = []
    for n, entry in enumerate(data.get("image", [])):
        where = "%s: image entry %d (%s)" % (path, n + 1, entry.get("file", "no file"))
        for key in ("file", "family", "cel", "rows", "cols", "required"):
            if key not in entry:
                raise CatalogError("%s: no %s" % (where, key))
        rows, cols, cel = entry["rows"], entry["cols"], entry["cel"]
        if not (isinstance(rows, int) and isinstance(cols, int) and rows >= 1 and cols >= 1):
            raise CatalogError("%s: rows and cols must be whole numbers of at least 1" % where)
        if not (len(cel) == 2 and all(isinstance(v, int) and v >= 1 for v in cel)):
            raise CatalogError("%s: cel must be two whole numbers of at least 1" % where)
        manifest = entry.get("manifest", True)
        ids = [entry["id"]] if "id" in entry else list(entry.get("ids", []))
        if manifest and not ids:
            raise CatalogError("%s: a manifest picture needs an id" % where)
        if not manifest and ids:
            raise CatalogError("%s: a picture opened by file name has no id" % where)
        names, values = [], []
        for name, spec in entry.get("each", {}).items():
            items = lists.get(spec) if isinstance(spec, str) else spec
            if items is None:
                raise CatalogError("%s: no list named %s" % (where, spec))
            names.append(name)
            values.append(items)
        for combo in itertools.product(*[list(enumerate(v)) for v in values]):
            fields = {name: str(value) for name, (_, value) in zip(names, combo)}
            indexes = {name: i for name, (i, _) in zip(names, combo)}
            file = _fill(entry["file"], fields, where)
            params = _fill_params(entry.get("params", {}), fields, where)
            pic = Picture(file, entry["family"], tuple(cel), rows, cols, bool(entry["required"]), manifest,
                          params, fields, indexes)
            if file in pictures:
                old = pictures[file]
                if old.layout()[:6] != pic.layout()[:6]:
                    raise CatalogError("%s: %s is shared with another entry of a different look or size"
                                       % (where, file))
                pic = old
            else:
                pictures[file] = pic
                order.append(pic)
            for i in ids:
                pic.ids.append(_fill(i, fields, where))
    seen = {}
    for pic in order:
        for i in pic.ids:
            if i in seen:
                raise CatalogError("%s: id %s is given to both %s and %s" % (path, i, seen[i], pic.file))
            seen[i] = pic.file
    folded = {}
    for pic in order:
        low = pic.file.lower()
        if low in folded:
            raise CatalogError("%s: %s and %s differ only in case" % (path, folded[low], pic.file))
        folded[low] = pic.file
    return order
