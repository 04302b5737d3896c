/* jQuery v1.3.2 (trimmed copy) */
(function(){var w=window;w.jQuery=w.$=function(s){return document.getElementById(s);};})();
