// The JScript dialect of the rule scripts on top of standard JavaScript.
// Evaluated once per engine, before any rule script and apart from it, so
// the rule scripts' line numbers are their own. It receives the host
// bridge as the global __corvaneHost, keeps it to itself and removes the
// global. Its completion value hands the program what it needs to call
// script functions.
(function (global, host) {
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

    function scriptError(number, description) {
        return new JScriptError(errorCode(number), description);
    }

    // --- host objects: members found without regard to letter case --------

    var proxyOf = new WeakMap();
    var targetOf = new WeakMap();
    var memberMaps = Object.create(null);

    function isHostObject(value) {
        return value !== null && typeof value === "object" && !targetOf.has(value)
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
        return targetOf.has(value) ? targetOf.get(value) : value;
    }

    function unwrapAll(args) {
        var list = [];
        for (var i = 0; i < args.length; i++)
            list.push(unwrap(args[i]));
        return list;
    }

    function noSuchMember(name) {
        return scriptError(438, "Object doesn't support property or method '" + name + "'");
    }

    function objectText() { return "[object]"; }

    var ignoredNames = { then: true, toJSON: true, constructor: true, prototype: true };

    function wrap(value) {
        if (!isHostObject(value))
            return value;
        var proxy = proxyOf.get(value);
        if (proxy)
            return proxy;
        var members = membersOf(value);
        proxy = new Proxy(value, {
            get: function (target, name) {
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
                var memberName = typeof name === "string" ? members[name.toLowerCase()] : undefined;
                if (memberName === undefined)
                    throw noSuchMember(String(name));
                target[memberName] = unwrap(newValue);
                return true;
            },
            has: function (target, name) {
                return typeof name === "string" && members[name.toLowerCase()] !== undefined;
            }
        });
        proxyOf.set(value, proxy);
        targetOf.set(proxy, value);
        return proxy;
    }

    function ActiveXObject(progId) {
        return wrap(host.createObject(String(progId)));
    }
    defineHidden(global, "ActiveXObject", ActiveXObject);
    defineHidden(global, "GetObject", function () {
        throw scriptError(429, "Automation server can't create object");
    });

    // --- Enumerator over arrays and host collections ------------------------

    function countOf(collection) {
        var length = collection.length;
        return typeof length === "number" ? length : Number(length) || 0;
    }

    function itemOf(collection, index) {
        if (targetOf.has(collection) || (typeof collection === "object" && typeof collection.item === "function"))
            return collection.item(index);
        return collection[index];
    }

    function Enumerator(collection) {
        if (!(this instanceof Enumerator))
            return new Enumerator(collection);
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
            throw scriptError(9, "Subscript out of range");
    }

    function VBArray(array) {
        if (!(this instanceof VBArray))
            return new VBArray(array);
        if (array instanceof VBArray)
            array = array.items;
        if (!Array.isArray(array))
            throw scriptError(5013, "VBArray expected");
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
            throw scriptError(9, "Subscript out of range");
        return this.items[i];
    });
    defineHidden(global, "VBArray", VBArray);

    // --- Date -----------------------------------------------------------------

    // The variant date is the date itself here; the program reads it back as a date.
    defineHidden(Date.prototype, "getVarDate", function () { return new Date(this.getTime()); });
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

    try {
        delete global.__corvaneHost;
    } catch (ignored) {
        global.__corvaneHost = undefined;
    }

    return { pending: pending };
})(this, __corvaneHost);
