#!/usr/bin/env python3
"""Turns host-tables.txt into the SQLite and PostgreSQL schema scripts.

  gen_schema.py                   rewrites sqlite.sql and postgresql.sql
  gen_schema.py --print DIALECT   prints one script (sqlite or postgresql)
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "host-tables.txt")

TYPES = {
    "sqlite": {"int": "INTEGER", "num": "NUMERIC(18,4)", "text": "TEXT",
               "date": "DATETIME", "bool": "BOOLEAN"},
    "postgresql": {"int": "integer", "num": "numeric(18,4)", "text": "text",
                   "date": "timestamp(0)", "bool": "boolean"},
}

# Column names that are reserved words in SQL and must be quoted.
RESERVED = {"from", "into"}


class SchemaError(Exception):
    pass


def parse(path):
    tables = {}   # name -> list of (column, type, key, default)
    order = []
    indexes = []  # (table, column)
    current = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            words = line.split()
            where = f"{path}:{number}"
            if words[0] == "table":
                name = words[1]
                if name in tables:
                    raise SchemaError(f"{where}: table {name} defined twice")
                if len(words) == 4 and words[2] == "like":
                    if words[3] not in tables:
                        raise SchemaError(f"{where}: unknown table {words[3]}")
                    tables[name] = list(tables[words[3]])
                    current = None
                elif len(words) == 2:
                    tables[name] = []
                    current = name
                else:
                    raise SchemaError(f"{where}: bad table line")
                order.append(name)
            elif words[0] == "index":
                if len(words) != 3 or words[1] not in tables:
                    raise SchemaError(f"{where}: bad index line")
                indexes.append((words[1], words[2]))
            else:
                if current is None:
                    raise SchemaError(f"{where}: column outside a table")
                column, kind, rest = words[0], words[1], words[2:]
                if kind not in TYPES["sqlite"]:
                    raise SchemaError(f"{where}: unknown type {kind}")
                key = "key" in rest
                default = None
                if "default" in rest:
                    default = rest[rest.index("default") + 1]
                tables[current].append((column, kind, key, default))
    for table, column in indexes:
        if column not in [c[0] for c in tables[table]]:
            raise SchemaError(f"index on unknown column {table}.{column}")
    return order, tables, indexes


def quote(name, dialect):
    if name.lower() not in RESERVED:
        return name
    return '"' + (name.lower() if dialect == "postgresql" else name) + '"'


def render(dialect):
    order, tables, indexes = parse(SOURCE)
    out = [f"-- The sample host database for {dialect}.",
           "-- Generated from host-tables.txt by gen_schema.py: edit that file, not this one.",
           ""]
    for name in order:
        lines = []
        for column, kind, key, default in tables[name]:
            text = f"  {quote(column, dialect)} {TYPES[dialect][kind]}"
            if key:
                text += " NOT NULL PRIMARY KEY"
            if default is not None:
                text += f" NOT NULL DEFAULT {default}"
            lines.append(text)
        out.append(f"CREATE TABLE {name} (\n" + ",\n".join(lines) + "\n);")
    out.append("")
    for table, column in indexes:
        out.append(f"CREATE INDEX ix_{table}_{column} ON {table} ({column});")
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) == 3 and argv[1] == "--print" and argv[2] in TYPES:
        sys.stdout.write(render(argv[2]))
        return 0
    if len(argv) != 1:
        sys.stderr.write(__doc__)
        return 2
    for dialect in TYPES:
        with open(os.path.join(HERE, dialect + ".sql"), "w", encoding="utf-8") as f:
            f.write(render(dialect))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except SchemaError as error:
        sys.stderr.write(f"gen_schema.py: {error}\n")
        sys.exit(1)
