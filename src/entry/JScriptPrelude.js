// The JScript dialect of the rule scripts on top of standard JavaScript.
// Evaluated once per engine, before any rule script and apart from it, so
// the rule scripts' line numbers are their own. It receives the host
// bridge as the global __corvaneHost, keeps it to itself and removes the
// global, and the descriptions of error numbers as __corvaneErrorTexts.
// Its completion value hands the program what it needs to call script
// functions.
(function (global, host, errorTexts) {
    "use strict";

    function defineHidden(object, name, value) {
        Object.defineProperty(object, name, {
            value: value, writable: true, enumerable: false, configurable: true
        });
    }

    // An error number as scripts see it in Error.number: the 0x800A form.
    function errorCode(number) {
        return number > 0 && number < 0x10000 ? (0x800A0000 | number) : number;
    }

    // --- Error with number and description ---------------------------------

    var NativeError = global.Error;
    var errorPrototype = NativeError.prototype;

    // Errors of the engine itself get their number and description from
    // the kind of error; a number or description set on an error is its own.
    Object.defineProperty(errorPrototype, "number", {
        configurable: true,
        get: function () {
            if (this === errorPrototype || this.name === "Error")
                return 0;
            return errorCode(host.errorNumber(String(this.name), String(this.message)));
        },
        set: function (value) { defineHidden(this, "number", value); }
    });
    Object.defineProperty(errorPrototype, "description", {
        configurable: true,
        get: function () {
            if (this === errorPrototype || this.name === "Error")
                return this.message;
            return host.errorDescription(String(this.name), String(this.message));
        },
        set: function (value) { defineHidden(this, "description", value); }
    });

    // new Error(), new Error(description), new Error(number, description).
    function JScriptError(number, description) {
        var error;
        if (arguments.length > 0 && typeof number === "number") {
            var text = description === undefined ? "" : String(description);
            error = new NativeError(text);
            defineHidden(error, "number", number);
            defineHidden(error, "description", text);
        } else {
            error = new NativeError(number === undefined ? "" : String(number));
        }
        if (new.target && new.target.prototype !== errorPrototype)
            Object.setPrototypeOf(error, new.target.prototype);
        return error;
    }
    JScriptError.prototype = errorPrototype;
    defineHidden(errorPrototype, "constructor", JScriptError);
    defineHidden(global, "Error", JScriptError);

    // The description of an error number, as the program's table has it.
    function describe(number, name) {
        var text = errorTexts[number];
        text = text === undefined ? "" : String(text);
        return name === undefined ? text : text.replace("%1", name);
    }

    function scriptError(number, description) {
        return new JScriptError(errorCode(number), description === undefined ? describe(number) : description);
    }

    // --- host objects: members found without regard to letter case --------

    // A host object and its proxy point at each other through symbol-keyed
    // properties rather than weak maps: the engine searches a map's keys one
    // by one, so maps of every node a script ever wrapped made each call
    // slower than the one before. Every proxy stays alive with the engine,
    // as it did in those maps: the DOM keeps one script object per node,
    // and a node object the collector freed would come back from it dead.
    var hostTarget = Symbol("host target");
    var hostProxy = Symbol("host proxy");
    var wrapped = [];
    var memberMaps = Object.create(null);

    // The host object behind value when value is one of our proxies.
    function targetOf(value) {
        if (value === null || (typeof value !== "object" && typeof value !== "function"))
            return undefined;
        return value[hostTarget];
    }

    function isHostObject(value) {
        return value !== null && typeof value === "object" && targetOf(value) === undefined
            && typeof value.corvaneHostClass === "string";
    }

    // lower-case script name -> member name, per host class.
    function membersOf(target) {
        var hostClass = target.corvaneHostClass;
        var map = memberMaps[hostClass];
        if (map)
            return map;
        map = Object.create(null);
        var names = target.corvaneHostMembers;
        for (var i = 0; i < names.length; i++) {
            var entry = String(names[i]);
            var colon = entry.indexOf(":");
            var scriptName = colon < 0 ? entry : entry.substring(0, colon);
            map[scriptName.toLowerCase()] = colon < 0 ? entry : entry.substring(colon + 1);
        }
        memberMaps[hostClass] = map;
        return map;
    }

    function unwrap(value) {
        var target = targetOf(value);
        return target === undefined ? value : target;
    }

    function unwrapAll(args) {
        var list = [];
        for (var i = 0; i < args.length; i++)
            list.push(unwrap(args[i]));
        return list;
    }

    function noSuchMember() {
        return scriptError(438);
    }

    function objectText() { return "[object]"; }

    var ignoredNames = { then: true, toJSON: true, constructor: true, prototype: true };

    function wrap(value) {
        if (!isHostObject(value))
            return value;
        var proxy = value[hostProxy];
        if (proxy)
            return proxy;
        var members = membersOf(value);
        // A collection answers the call form nodes(0) as nodes.item(0) does:
        // its proxy stands on a function and forwards everything else.
        var collection = members.item !== undefined && members.length !== undefined;
        var shell = collection ? () => undefined : value;
        var handler = {
            get: function (target, name) {
                target = value;
                if (name === hostTarget)
                    return value;
                if (typeof name !== "string")
                    return undefined;
                var memberName = members[name.toLowerCase()];
                if (memberName === undefined) {
                    if (name === "toString" || name === "valueOf")
                        return objectText;
                    if (members.item && /^(0|[1-9][0-9]*)$/.test(name))
                        return wrap(target[members.item](Number(name)));
                    if (ignoredNames[name])
                        return undefined;
                    throw noSuchMember(name);
                }
                var member = target[memberName];
                if (typeof member === "function") {
                    return function () {
                        return wrap(member.apply(target, unwrapAll(arguments)));
                    };
                }
                return wrap(member);
            },
            set: function (target, name, newValue) {
                target = value;
                var memberName = typeof name === "string" ? members[name.toLowerCase()] : undefined;
                if (memberName === undefined)
                    throw noSuchMember(String(name));
                target[memberName] = unwrap(newValue);
                return true;
            },
            has: function (target, name) {
                return typeof name === "string" && members[name.toLowerCase()] !== undefined;
            }
        };
        if (collection) {
            handler.apply = function (target, self, args) {
                return wrap(value[members.item].apply(value, unwrapAll(args)));
            };
            // The function underneath has no keys of its own to report.
            handler.ownKeys = function () { return []; };
            handler.getOwnPropertyDescriptor = function () { return undefined; };
        }
        proxy = new Proxy(shell, handler);
        value[hostProxy] = proxy;
        wrapped.push(proxy);
        return proxy;
    }

    // --- Scripting.Dictionary ------------------------------------------------

    // An assignment to a call, d.Item(k) = v or d(k) = v, reaches the
    // dictionary as d.Item[token] = v, the token standing for k (the
    // program rewrites the assignment so; see ScriptDialect.h).
    var itemKeys = new Map();
    defineHidden(global, "__corvaneItemKey", function (key) {
        var token = Symbol("item");
        itemKeys.set(token, key);
        return token;
    });

    function isItemToken(name) {
        return typeof name === "symbol" && itemKeys.has(name);
    }

    // The key a token stands for; a token is spent when it is assigned to.
    function keyOf(token, spend) {
        var key = itemKeys.get(token);
        if (spend)
            itemKeys.delete(token);
        return key;
    }

    var dictionaries = new WeakSet();

    // Keys compare by kind and value (1 and "1" are two keys); text keys
    // without regard to letter case when CompareMode is 1 (text) or 2.
    function Dictionary() {
        var entries = new Map();
        var compareMode = 0;

        function slot(key) {
            if (typeof key === "string")
                return "s" + (compareMode === 0 ? key : key.toLowerCase());
            if (typeof key === "number")
                return "n" + key;
            if (typeof key === "boolean")
                return "b" + key;
            if (key === undefined || key === null)
                return "u" + key;
            if (key instanceof Date)
                return "d" + key.getTime();
            return unwrap(key);
        }
        function has(key) { return entries.has(slot(key)); }
        function get(key) {
            var entry = entries.get(slot(key));
            if (entry)
                return entry.value;
            // Reading a key the dictionary lacks adds it, empty.
            entries.set(slot(key), { key: key, value: undefined });
            return undefined;
        }
        function put(key, value) {
            var entry = entries.get(slot(key));
            if (entry)
                entry.value = value;
            else
                entries.set(slot(key), { key: key, value: value });
        }
        function list(field) {
            var out = [];
            entries.forEach(function (entry) { out.push(entry[field]); });
            return out;
        }
        function elementNotFound() { return scriptError(32811); }

        var methods = {
            add: function (key, value) {
                if (has(key))
                    throw scriptError(457);
                entries.set(slot(key), { key: key, value: value });
            },
            exists: function (key) { return has(key); },
            items: function () { return list("value"); },
            keys: function () { return list("key"); },
            remove: function (key) {
                if (!entries.delete(slot(key)))
                    throw elementNotFound();
            },
            removeall: function () { entries.clear(); },
            hashval: function (key) {
                var text = String(key), h = 0;
                for (var i = 0; i < text.length; i++)
                    h = (h * 31 + text.charCodeAt(i)) % 1201;
                return h;
            }
        };

        // d.Item(k) reads, d.Item(k, v) and d.Item(k) = v write.
        function itemCall(args) {
            if (args.length > 1)
                put(args[0], args[1]);
            return get(args[0]);
        }
        var item = callable(itemCall, function (key) { return get(key); }, function (key, value) { put(key, value); });
        // d.Key(old) = new gives an entry another key.
        var rename = callable(function () { throw scriptError(5); }, function () { throw scriptError(5); },
            function (oldKey, newKey) {
                var entry = entries.get(slot(oldKey));
                if (!entry)
                    throw elementNotFound();
                if (has(newKey))
                    throw scriptError(457);
                var rebuilt = new Map();
                entries.forEach(function (value, name) {
                    if (value === entry)
                        rebuilt.set(slot(newKey), { key: newKey, value: entry.value });
                    else
                        rebuilt.set(name, value);
                });
                entries = rebuilt;
            });

        var self = callable(itemCall,
            function (key) { return get(key); }, function (key, value) { put(key, value); }, {
            get: function (name) {
                switch (name) {
                case "count": return entries.size;
                case "comparemode": return compareMode;
                case "item": return item;
                case "key": return rename;
                default: return methods[name];
                }
            },
            set: function (name, value) {
                if (name !== "comparemode")
                    return false;
                var mode = Number(value);
                if (entries.size > 0 || !(mode >= 0 && mode <= 2))
                    throw scriptError(5);
                compareMode = Math.floor(mode);
                return true;
            }
        });
        dictionaries.add(self);
        return self;
    }

    // A function-like object: call(args) for a call, read(key) and
    // write(key, value) for the default property behind an item token;
    // members (lower-case names) found without regard to letter case.
    function callable(call, read, write, members) {
        var names = ["add", "exists", "items", "keys", "remove", "removeall", "hashval",
                     "count", "comparemode", "item", "key"];
        return new Proxy(() => undefined, {
            apply: function (target, self, args) { return call(args); },
            get: function (target, name) {
                if (isItemToken(name))
                    return read(keyOf(name, false));
                if (typeof name !== "string")
                    return undefined;
                if (name === "toString" || name === "valueOf")
                    return objectText;
                if (members) {
                    var lower = name.toLowerCase();
                    if (names.indexOf(lower) >= 0)
                        return members.get(lower);
                }
                if (ignoredNames[name] || name === "length" || name === "name")
                    return undefined;
                throw noSuchMember();
            },
            set: function (target, name, value) {
                if (isItemToken(name)) {
                    write(keyOf(name, true), value);
                    return true;
                }
                if (members && typeof name === "string" && members.set(name.toLowerCase(), value))
                    return true;
                throw noSuchMember();
            },
            has: function (target, name) {
                return !!members && typeof name === "string" && names.indexOf(name.toLowerCase()) >= 0;
            },
            ownKeys: function () { return []; },
            getOwnPropertyDescriptor: function () { return undefined; }
        });
    }

    function ActiveXObject(progId) {
        if (String(progId).trim().toLowerCase() === "scripting.dictionary")
            return Dictionary();
        return wrap(host.createObject(String(progId)));
    }
    defineHidden(global, "ActiveXObject", ActiveXObject);
    defineHidden(global, "GetObject", function () {
        throw scriptError(429);
    });

    // --- Enumerator over arrays and host collections ------------------------

    function countOf(collection) {
        var length = collection.length;
        return typeof length === "number" ? length : Number(length) || 0;
    }

    function itemOf(collection, index) {
        if (targetOf(collection) !== undefined || (typeof collection === "object" && typeof collection.item === "function"))
            return collection.item(index);
        return collection[index];
    }

    function Enumerator(collection) {
        if (!(this instanceof Enumerator))
            return new Enumerator(collection);
        // Over a dictionary: its keys.
        if (dictionaries.has(collection))
            collection = collection.Keys();
        defineHidden(this, "collection", collection === undefined || collection === null ? [] : collection);
        defineHidden(this, "index", 0);
    }
    defineHidden(Enumerator.prototype, "atEnd", function () {
        return this.index >= countOf(this.collection);
    });
    defineHidden(Enumerator.prototype, "moveNext", function () {
        if (!this.atEnd())
            this.index++;
    });
    defineHidden(Enumerator.prototype, "moveFirst", function () {
        this.index = 0;
    });
    defineHidden(Enumerator.prototype, "item", function () {
        return this.atEnd() ? undefined : itemOf(this.collection, this.index);
    });
    defineHidden(global, "Enumerator", Enumerator);

    // --- VBArray over plain arrays (one dimension, lower bound 0) -----------

    function checkDimension(dimension) {
        if (dimension !== undefined && Number(dimension) !== 1)
            throw scriptError(9);
    }

    function VBArray(array) {
        if (!(this instanceof VBArray))
            return new VBArray(array);
        if (array instanceof VBArray)
            array = array.items;
        if (!Array.isArray(array))
            throw scriptError(5013);
        defineHidden(this, "items", array);
    }
    defineHidden(VBArray.prototype, "toArray", function () { return this.items.slice(); });
    defineHidden(VBArray.prototype, "dimensions", function () { return 1; });
    defineHidden(VBArray.prototype, "lbound", function (dimension) {
        checkDimension(dimension);
        return 0;
    });
    defineHidden(VBArray.prototype, "ubound", function (dimension) {
        checkDimension(dimension);
        return this.items.length - 1;
    });
    defineHidden(VBArray.prototype, "getItem", function (index) {
        var i = Number(index);
        if (arguments.length !== 1 || !(i >= 0 && i < this.items.length) || Math.floor(i) !== i)
            throw scriptError(9);
        return this.items[i];
    });
    defineHidden(global, "VBArray", VBArray);

    // --- value rules ------------------------------------------------------

    // parseInt without a radix reads a leading "0" as octal: "010" is 8,
    // "08" is 0.
    var nativeParseInt = global.parseInt;
    defineHidden(global, "parseInt", function parseInt(text, radix) {
        if (radix === undefined) {
            var trimmed = String(text).replace(/^\s+/, "");
            if (/^[+-]?0(?![xX])/.test(trimmed))
                return nativeParseInt(trimmed, 8);
        }
        return nativeParseInt(text, radix);
    });

    // substr with a negative start starts at 0.
    var nativeSubstr = String.prototype.substr;
    defineHidden(String.prototype, "substr", function substr(start, length) {
        var from = Number(start) < 0 ? 0 : start;
        return arguments.length > 1 ? nativeSubstr.call(this, from, length) : nativeSubstr.call(this, from);
    });

    // split by a regular expression leaves its captured groups out.
    var nativeSplit = String.prototype.split;
    defineHidden(String.prototype, "split", function split(separator, limit) {
        if (!(separator instanceof RegExp))
            return nativeSplit.call(this, separator, limit);
        var groups = new RegExp(separator.source + "|").exec("").length - 1;
        var parts = nativeSplit.call(this, separator);
        if (groups > 0)
            parts = parts.filter(function (part, index) { return index % (groups + 1) === 0; });
        return limit === undefined ? parts : parts.slice(0, limit >>> 0);
    });

    // Math.round is the floor of x + 0.5 (so 0.49999999999999994 rounds to 1).
    defineHidden(Math, "round", function round(x) {
        return Math.floor(Number(x) + 0.5);
    });

    // --- Date -----------------------------------------------------------------

    // The texts of a Chinese Windows: "Wed Jan 11 00:00:00 UTC+0800 2006",
    // "2006年1月11日", "0:00:00"; "NaN" for an invalid date.
    var dayNames = ["Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"];
    var monthNames = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"];

    function two(n) { return n < 10 ? "0" + n : String(n); }

    function zoneText(date) {
        var offset = -date.getTimezoneOffset();
        if (offset === 0)
            return "UTC";
        var size = Math.abs(offset);
        return "UTC" + (offset < 0 ? "-" : "+") + two(Math.floor(size / 60)) + two(size % 60);
    }

    function clockText(date) {
        return two(date.getHours()) + ":" + two(date.getMinutes()) + ":" + two(date.getSeconds());
    }

    function dateText(format) {
        return function () {
            return isNaN(this.getTime()) ? "NaN" : format(this);
        };
    }

    var dateTexts = {
        toString: function (d) {
            return dayNames[d.getDay()] + " " + monthNames[d.getMonth()] + " " + d.getDate() + " "
                + clockText(d) + " " + zoneText(d) + " " + d.getFullYear();
        },
        toDateString: function (d) {
            return dayNames[d.getDay()] + " " + monthNames[d.getMonth()] + " " + d.getDate() + " " + d.getFullYear();
        },
        toTimeString: function (d) { return clockText(d) + " " + zoneText(d); },
        toUTCString: function (d) {
            return dayNames[d.getUTCDay()] + ", " + d.getUTCDate() + " " + monthNames[d.getUTCMonth()] + " "
                + d.getUTCFullYear() + " " + two(d.getUTCHours()) + ":" + two(d.getUTCMinutes()) + ":"
                + two(d.getUTCSeconds()) + " UTC";
        },
        toLocaleDateString: function (d) {
            return d.getFullYear() + "年" + (d.getMonth() + 1) + "月" + d.getDate() + "日";
        },
        toLocaleTimeString: function (d) {
            return d.getHours() + ":" + two(d.getMinutes()) + ":" + two(d.getSeconds());
        },
        toLocaleString: function (d) {
            return dateTexts.toLocaleDateString(d) + " " + dateTexts.toLocaleTimeString(d);
        }
    };
    Object.keys(dateTexts).forEach(function (name) {
        defineHidden(Date.prototype, name, dateText(dateTexts[name]));
    });
    defineHidden(Date.prototype, "toGMTString", Date.prototype.toUTCString);

    // Date.parse and new Date(text) read the texts above back.
    var NativeDate = Date;
    var nativeParse = NativeDate.parse;
    var jscriptDateText = /^\s*([A-Za-z]{3})\s+([A-Za-z]{3})\s+(\d{1,2})\s+(\d{1,2}:\d{2}:\d{2})\s+UTC([+-]\d{4})?\s+(\d+)\s*$/;
    function parse(text) {
        var match = jscriptDateText.exec(String(text));
        if (match)
            return nativeParse(match[1] + " " + match[2] + " " + match[3] + " " + match[6] + " " + match[4]
                               + " GMT" + (match[5] || "+0000"));
        return nativeParse(text);
    }
    function JScriptDate() {
        if (!new.target)
            return new NativeDate().toString();
        var args = Array.prototype.slice.call(arguments);
        if (args.length === 1 && typeof args[0] === "string")
            args[0] = parse(args[0]);
        return Reflect.construct(NativeDate, args, new.target);
    }
    Object.defineProperty(JScriptDate, "prototype", { value: NativeDate.prototype });
    defineHidden(JScriptDate, "parse", parse);
    defineHidden(JScriptDate, "UTC", NativeDate.UTC);
    defineHidden(JScriptDate, "now", NativeDate.now);
    defineHidden(NativeDate.prototype, "constructor", JScriptDate);
    defineHidden(global, "Date", JScriptDate);

    // The variant date is the date itself here; the program reads it back as a date.
    defineHidden(Date.prototype, "getVarDate", function () { return new NativeDate(this.getTime()); });
    // JScript's getYear: two digits for 1900 to 1999, the full year otherwise.
    defineHidden(Date.prototype, "getYear", function () {
        var year = this.getFullYear();
        return year >= 1900 && year <= 1999 ? year - 1900 : year;
    });

    // --- engine identification ---------------------------------------------

    defineHidden(global, "ScriptEngine", function () { return "JScript"; });
    defineHidden(global, "ScriptEngineMajorVersion", function () { return 5; });
    defineHidden(global, "ScriptEngineMinorVersion", function () { return 8; });
    defineHidden(global, "ScriptEngineBuildVersion", function () { return 16384; });

    // --- calling script functions -------------------------------------------

    // The program puts the function and its arguments here and evaluates
    // "__corvaneInvoke()". A normal return leaves done true and the value in
    // result; a throw leaves done false and reaches the program as the
    // evaluation's exception, with the stack of the throwing line (a thrown
    // value of any kind, not only an Error).
    var pending = { fn: null, args: null, done: false, result: undefined };
    Object.defineProperty(global, "__corvaneInvoke", {
        value: function () {
            var fn = pending.fn;
            var args = pending.args;
            pending.fn = null;
            pending.args = null;
            pending.done = false;
            pending.result = undefined;
            var result = fn.apply(global, args);
            pending.result = result;
            pending.done = true;
        }
    });

    ["__corvaneHost", "__corvaneErrorTexts"].forEach(function (name) {
        try {
            delete global[name];
        } catch (ignored) {
            global[name] = undefined;
        }
    });

    return { pending: pending };
})(this, __corvaneHost, __corvaneErrorTexts);
