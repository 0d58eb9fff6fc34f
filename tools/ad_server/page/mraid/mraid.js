/*
 * Our MRAID 2.0 implementation, served to creatives in place of the mraid.js they name. The
 * server puts one line before it naming the placement ("inline" for banners and expanded
 * banners, "interstitial" for interstitials) as MOVU_MRAID_PLACEMENT.
 *
 * Page to native: gmsg URLs loaded in a hidden frame ("mraidLoaded" once; "mraid" with "a" =
 * resize, storePicture, createCalendarEvent, setOrientationProperties; "open" for expand and
 * links; "close"; "customClose"). Native to page: RADE_ReceiveMessage(name, parameters),
 * which this script takes over, handing every message on to a handler the page had before.
 *
 * What native code sends in one script (a state and the size that goes with it) is taken in
 * whole before any listener hears of it: the listeners run once the script is over (a
 * microtask), in the order of the messages, each reading the state and size of the same moment.
 */
(function () {
  'use strict';
  if (window.mraid && window.mraid.__movuroute) return;

  var placement = window.MOVU_MRAID_PLACEMENT === 'interstitial' ? 'interstitial' : 'inline';
  var VERSION = '2.0';
  var STATES = ['loading', 'default', 'expanded', 'resized', 'hidden'];
  var EVENTS = ['ready', 'error', 'stateChange', 'viewableChange', 'sizeChange'];

  var state = 'loading';
  var viewable = false;
  var listeners = {};
  var screenSize = {width: 0, height: 0};
  var maxSize = {width: 0, height: 0};
  var defaultPosition = {x: 0, y: 0, width: 0, height: 0};
  var currentPosition = {x: 0, y: 0, width: 0, height: 0};
  var features = {sms: false, tel: false, calendar: false, storePicture: false, inlineVideo: false};
  var expandProperties = {width: -1, height: -1, useCustomClose: false, isModal: true};
  var resizeProperties = null;
  var orientationProperties = {allowOrientationChange: true, forceOrientation: 'none'};
  var customClose = false;
  var readySent = false;

  function send(action, params) {
    var pairs = [];
    for (var key in params || {}) {
      if (Object.prototype.hasOwnProperty.call(params, key)) {
        pairs.push(encodeURIComponent(key) + '=' + encodeURIComponent(String(params[key])));
      }
    }
    var frame = document.createElement('iframe');
    frame.style.display = 'none';
    frame.src = 'gmsg://movuroute/' + action + (pairs.length ? '?' + pairs.join('&') : '');
    (document.body || document.documentElement).appendChild(frame);
    setTimeout(function () {
      if (frame.parentNode) frame.parentNode.removeChild(frame);
    }, 1000);
  }

  var held = null;

  function fire(event) {
    var args = Array.prototype.slice.call(arguments, 1);
    if (held) {
      held.push([event, args]);
      return;
    }
    tell(event, args);
  }

  function tell(event, args) {
    var list = (listeners[event] || []).slice();
    for (var i = 0; i < list.length; i++) {
      try {
        list[i].apply(window, args);
      } catch (e) {
        if (window.console) console.log('mraid listener failed: ' + e);
      }
    }
  }

  function fail(message, action) {
    fire('error', message, action);
  }

  function setState(next) {
    if (STATES.indexOf(next) < 0 || next === state) return;
    state = next;
    fire('stateChange', state);
  }

  function setViewable(next) {
    next = !!next;
    if (next === viewable) return;
    viewable = next;
    fire('viewableChange', viewable);
  }

  function number(value, fallback) {
    var n = Number(value);
    return isFinite(n) ? n : fallback;
  }

  function flag(value) {
    return value === true || value === 1 || value === '1' || value === 'true';
  }

  function becomeReady() {
    if (readySent) return;
    readySent = true;
    if (state === 'loading') state = 'default';
    fire('ready');
  }

  var handlers = {
    onReadyEventReceived: function () {
      becomeReady();
    },
    onScreenInfoChanged: function (p) {
      screenSize = {width: number(p.width, 0), height: number(p.height, 0)};
      maxSize = {width: number(p.maxSizeWidth, 0), height: number(p.maxSizeHeight, 0)};
    },
    onDeviceFeaturesReceived: function (p) {
      for (var key in features) {
        if (Object.prototype.hasOwnProperty.call(p, key)) features[key] = flag(p[key]);
      }
    },
    onAdVisibilityChanged: function (p) {
      setViewable(flag(p.visible));
    },
    onSizeChanged: function (p) {
      var width = number(p.width, currentPosition.width);
      var height = number(p.height, currentPosition.height);
      currentPosition = {x: number(p.x, currentPosition.x), y: number(p.y, currentPosition.y),
                         width: width, height: height};
      fire('sizeChange', width, height);
    },
    onDefaultPositionReceived: function (p) {
      defaultPosition = {x: number(p.x, 0), y: number(p.y, 0), width: number(p.width, 0),
                         height: number(p.height, 0)};
    },
    onStateChanged: function (p) {
      setState(p.state);
    },
    expanding: function () {},
    collapsed: function () {},
    onError: function (p) {
      fail(String(p.message), String(p.action));
    },
    onCalendarEventCanceled: function () {
      fail('The calendar event was not created.', 'createCalendarEvent');
    }
  };

  // Messages of one script are applied at once; their events wait for the script's end.
  function holdEvents() {
    if (held) return;
    held = [];
    Promise.resolve().then(function () {
      var events = held;
      held = null;
      for (var i = 0; i < events.length; i++) tell(events[i][0], events[i][1]);
    });
  }

  var previousReceiver = window.RADE_ReceiveMessage;
  window.RADE_ReceiveMessage = function (name, parameters) {
    holdEvents();
    var p = parameters || {};
    if (typeof p === 'string') {
      try {
        p = JSON.parse(p);
      } catch (e) {
        p = {};
      }
    }
    if (Object.prototype.hasOwnProperty.call(handlers, name)) handlers[name](p);
    if (typeof previousReceiver === 'function') {
      return previousReceiver.apply(this, arguments);
    }
  };

  var mraid = {
    __movuroute: true,
    getVersion: function () {
      return VERSION;
    },
    addEventListener: function (event, listener) {
      if (EVENTS.indexOf(event) < 0 || typeof listener !== 'function') {
        fail('Unknown event or no listener: ' + event, 'addEventListener');
        return;
      }
      var list = listeners[event] || (listeners[event] = []);
      if (list.indexOf(listener) < 0) list.push(listener);
    },
    removeEventListener: function (event, listener) {
      var list = listeners[event];
      if (!list) return;
      if (listener === undefined) {
        delete listeners[event];
        return;
      }
      var at = list.indexOf(listener);
      if (at >= 0) list.splice(at, 1);
    },
    getState: function () {
      return state;
    },
    getPlacementType: function () {
      return placement;
    },
    isViewable: function () {
      return viewable;
    },
    open: function (url) {
      if (!url) return fail('No URL to open.', 'open');
      send('open', {a: 'browser', u: url});
    },
    close: function () {
      if (state === 'loading' || state === 'hidden') return;
      if (placement === 'inline' && state === 'default') {
        setState('hidden');
        return;
      }
      send('close', {});
    },
    unload: function () {
      send('close', {});
    },
    useCustomClose: function (use) {
      customClose = !!use;
      expandProperties.useCustomClose = customClose;
      send('customClose', {custom_close: customClose ? '1' : '0'});
    },
    expand: function (url) {
      if (placement === 'interstitial') return fail('An interstitial does not expand.', 'expand');
      if (state !== 'default' && state !== 'resized') return fail('Cannot expand now.', 'expand');
      var params = {a: url ? 'webapp' : 'expand',
                    custom_close: expandProperties.useCustomClose ? '1' : '0'};
      if (url) params.u = url;
      send('open', params);
    },
    getExpandProperties: function () {
      // Unset, an expanded ad fills what it may.
      return {width: expandProperties.width >= 0 ? expandProperties.width : maxSize.width,
              height: expandProperties.height >= 0 ? expandProperties.height : maxSize.height,
              useCustomClose: expandProperties.useCustomClose, isModal: true};
    },
    setExpandProperties: function (properties) {
      if (!properties) return;
      if ('width' in properties) expandProperties.width = number(properties.width, -1);
      if ('height' in properties) expandProperties.height = number(properties.height, -1);
      if ('useCustomClose' in properties) expandProperties.useCustomClose = !!properties.useCustomClose;
    },
    getResizeProperties: function () {
      return resizeProperties;
    },
    setResizeProperties: function (properties) {
      if (!properties || !('width' in properties) || !('height' in properties) ||
          !('offsetX' in properties) || !('offsetY' in properties)) {
        return fail('Resize properties need width, height, offsetX and offsetY.',
                    'setResizeProperties');
      }
      resizeProperties = {
        width: properties.width, height: properties.height,
        offsetX: properties.offsetX, offsetY: properties.offsetY,
        customClosePosition: properties.customClosePosition || 'top-right',
        allowOffscreen: 'allowOffscreen' in properties ? !!properties.allowOffscreen : true
      };
    },
    resize: function () {
      if (placement === 'interstitial') return fail('An interstitial does not resize.', 'resize');
      if (state === 'expanded') return fail('An expanded ad does not resize.', 'resize');
      var p = resizeProperties || {};
      var params = {a: 'resize'};
      ['width', 'height', 'offsetX', 'offsetY', 'customClosePosition'].forEach(function (key) {
        if (p[key] !== undefined) params[key] = p[key];
      });
      if (p.allowOffscreen !== undefined) params.allowOffscreen = p.allowOffscreen ? 'true' : 'false';
      send('mraid', params);
    },
    getOrientationProperties: function () {
      return {allowOrientationChange: orientationProperties.allowOrientationChange,
              forceOrientation: orientationProperties.forceOrientation};
    },
    setOrientationProperties: function (properties) {
      properties = properties || {};
      var allow = 'allowOrientationChange' in properties ? !!properties.allowOrientationChange
                                                         : orientationProperties.allowOrientationChange;
      var force = 'forceOrientation' in properties ? String(properties.forceOrientation)
                                                   : orientationProperties.forceOrientation;
      orientationProperties = {allowOrientationChange: allow, forceOrientation: force};
      send('mraid', {a: 'setOrientationProperties', allowOrientationChange: allow ? 'true' : 'false',
                     forceOrientation: force});
    },
    getCurrentPosition: function () {
      return {x: currentPosition.x, y: currentPosition.y, width: currentPosition.width,
              height: currentPosition.height};
    },
    getDefaultPosition: function () {
      return {x: defaultPosition.x, y: defaultPosition.y, width: defaultPosition.width,
              height: defaultPosition.height};
    },
    getMaxSize: function () {
      return {width: maxSize.width, height: maxSize.height};
    },
    getScreenSize: function () {
      return {width: screenSize.width, height: screenSize.height};
    },
    supports: function (feature) {
      return !!features[feature];
    },
    storePicture: function (url) {
      if (!url) return fail('No image URL to store.', 'storePicture');
      send('mraid', {a: 'storePicture', iurl: url});
    },
    createCalendarEvent: function (event) {
      event = event || {};
      var params = {a: 'createCalendarEvent'};
      ['description', 'summary', 'location', 'start', 'end'].forEach(function (key) {
        if (event[key] !== undefined && event[key] !== null) params[key] = String(event[key]);
      });
      send('mraid', params);
    },
    playVideo: function (url) {
      if (!url) return fail('No video URL.', 'playVideo');
      send('open', {a: 'video', u: url});
    }
  };

  window.mraid = mraid;

  function announce() {
    send('mraidLoaded', {});
  }
  if (document.body) {
    announce();
  } else {
    document.addEventListener('DOMContentLoaded', announce);
  }
})();
